#include "platform/parameter_profile.h"

#include <QStringList>
#include <algorithm>

#include "platform/user_profile.h"

void LoadParameterProfile(const ParameterTable& table, void* settings) {
  UserProfile profile;
  profile.beginGroup(QString::fromStdString(table.section));
  for (const Parameter& p : table.parameters) {
    if (p.profile.empty()) continue;
    // The stored values are tried on a copy and taken only when they make a value of the
    // parameter's own grammar: a sweep the profile got wrong gives way whole.
    const std::shared_ptr<void> trial = table.clone(settings);
    std::string text;
    for (const ProfileField& f : p.profile) {
      const QString key = QString::fromLatin1(f.key);
      if (f.type == ProfileType::kText) {
        text = profile.value(key, QString::fromStdString(FormatParameter(p, settings)))
                   .toString()
                   .toStdString();
        continue;
      }
      if (f.type == ProfileType::kTextList) {
        // A list of one reads back as a plain string, which gives a list of one again.
        text = profile.contains(key) ? profile.value(key).toStringList().join(',').toStdString()
                                     : FormatParameter(p, settings);
        continue;
      }
      const QVariant stored = profile.value(key, f.get(settings));
      // What is not a number at all (a hand edit) reads as the value in force.
      bool ok = true;
      double v = f.type == ProfileType::kBool  ? (stored.toBool() ? 1 : 0)
                 : f.type == ProfileType::kInt ? stored.toInt(&ok)
                                               : stored.toDouble(&ok);
      if (!ok) v = f.get(settings);
      if (f.lo < f.hi) v = std::clamp(v, f.lo, f.hi);
      f.set(trial.get(), v);
      text = FormatParameter(p, trial.get());
    }
    ParseParameter(p, text, settings);
  }
  if (table.sanitize) table.sanitize(settings);
}

namespace {

void SaveStoredValues(UserProfile& profile, const Parameter& p, const void* settings) {
  for (const ProfileField& f : p.profile) {
    const QString key = QString::fromLatin1(f.key);
    switch (f.type) {
      case ProfileType::kText:
        profile.setValue(key, QString::fromStdString(FormatParameter(p, settings)));
        break;
      case ProfileType::kTextList:
        profile.setValue(
            key,
            QString::fromStdString(FormatParameter(p, settings)).split(',', Qt::SkipEmptyParts));
        break;
      case ProfileType::kBool:
        profile.setValue(key, f.get(settings) != 0);
        break;
      case ProfileType::kInt:
        profile.setValue(key, static_cast<int>(f.get(settings)));
        break;
      case ProfileType::kDouble:
        profile.setValue(key, f.get(settings));
        break;
    }
  }
}

}  // namespace

void SaveParameterProfile(const ParameterTable& table, const void* settings) {
  UserProfile profile;
  profile.beginGroup(QString::fromStdString(table.section));
  for (const Parameter& p : table.parameters) SaveStoredValues(profile, p, settings);
  profile.endGroup();
}

void SaveParameterProfile(const ParameterTable& table, const void* settings,
                          const std::string& key) {
  const Parameter* p = table.Find(key);
  if (p == nullptr) return;
  UserProfile profile;
  profile.beginGroup(QString::fromStdString(table.section));
  SaveStoredValues(profile, *p, settings);
  profile.endGroup();
}
