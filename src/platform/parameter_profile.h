#pragma once

#include "platform/parameter.h"

// The per-user profile's part of a table: the group named after its section, one entry a
// stored value, each of the type its declaration gives (stored profiles rely on them).

// Puts what the profile holds into settings, keeping the value in settings for whatever it does
// not hold or holds out of the parameter's grammar; then the table's sanitize.
void LoadParameterProfile(const ParameterTable& table, void* settings);
// Writes every stored value of settings.
void SaveParameterProfile(const ParameterTable& table, const void* settings);
// Writes the stored values of the parameter key alone (a choice made on its own, as a menu's).
void SaveParameterProfile(const ParameterTable& table, const void* settings,
                          const std::string& key);
