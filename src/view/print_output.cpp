#include "view/print_output.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <cerrno>
#include <cstdlib>

#include "platform/file_services.h"

namespace {

bool IsPdfSpace(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

// An anonymous file in memory that the printer writes as if it were a file on disk: the PDF
// engine reports no write error, so the page is made where writes cannot fail for want of disk
// space and checked before it goes near the real file.
class MemoryFile {
 public:
  MemoryFile() : m_fd(::memfd_create("aurivue-page", MFD_CLOEXEC)) {
    if (m_fd < 0) m_error = errno;
  }
  ~MemoryFile() {
    if (m_fd >= 0) ::close(m_fd);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  bool ok() const { return m_fd >= 0; }
  int error() const { return m_error; }
  // The name under which the file opens again.
  std::string Name() const { return "/proc/self/fd/" + std::to_string(m_fd); }

  bool ReadAll(std::string& bytes) {
    if (ReadRegularFile(Name(), bytes, &m_error)) return true;
    return false;
  }

  // Why the writer's output stopped short: one more byte at the end meets the same limit (a file
  // size limit, no memory). EIO when it does not.
  int WhyShort() {
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return errno;
    const char one = 0;
    if (::pwrite(m_fd, &one, 1, st.st_size) < 0) return errno;
    return EIO;
  }

 private:
  int m_fd;
  int m_error = 0;
};

}  // namespace

bool PdfIsComplete(const std::string& pdf) {
  size_t end = pdf.size();
  while (end > 0 && IsPdfSpace(pdf[end - 1])) --end;
  static const std::string kEof = "%%EOF";
  if (end < kEof.size() || pdf.compare(end - kEof.size(), kEof.size(), kEof) != 0) return false;
  const size_t startxref = pdf.rfind("startxref", end - kEof.size());
  if (startxref == std::string::npos) return false;
  size_t at = startxref + 9;
  while (at < end && IsPdfSpace(pdf[at])) ++at;
  size_t digits = at;
  while (digits < end && pdf[digits] >= '0' && pdf[digits] <= '9') ++digits;
  if (digits == at || digits - at > 18) return false;
  size_t tail = digits;
  while (tail < end && IsPdfSpace(pdf[tail])) ++tail;
  if (tail != end - kEof.size()) return false;
  const auto offset = static_cast<size_t>(std::strtoull(pdf.c_str() + at, nullptr, 10));
  return offset < startxref && pdf.compare(offset, 4, "xref") == 0;
}

PrintOutcome PrintPageTo(QPrinter& printer, const std::function<void(QPainter&)>& draw) {
  const QString file = printer.outputFileName();
  // A preview paints into its own engine, a real printer into its spooler: only a PDF file is
  // written here.
  const QPaintEngine* engine = printer.paintEngine();
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !file.isEmpty() &&
                      engine != nullptr && engine->type() == QPaintEngine::Pdf;
  if (!toFile) {
    QPainter painter;
    if (!painter.begin(&printer)) return {PrintOutcome::Kind::kNotStarted, 0};
    draw(painter);
    painter.end();
    return {};
  }

  FileReplacement out;
  if (!out.Begin(file.toStdString(), SpecialTarget::kWriteInPlace)) {
    return {PrintOutcome::Kind::kNotStarted, out.Error()};
  }
  MemoryFile page;
  if (!page.ok()) return {PrintOutcome::Kind::kFileError, page.error()};
  printer.setOutputFileName(QString::fromStdString(page.Name()));
  QPainter painter;
  const bool started = painter.begin(&printer);
  if (started) {
    draw(painter);
    painter.end();
  }
  printer.setOutputFileName(file);
  if (!started) return {PrintOutcome::Kind::kNotStarted, 0};

  std::string pdf;
  if (!page.ReadAll(pdf)) return {PrintOutcome::Kind::kFileError, page.error()};
  if (!PdfIsComplete(pdf)) return {PrintOutcome::Kind::kFileError, page.WhyShort()};
  if (!out.Write(pdf) || !out.Commit()) return {PrintOutcome::Kind::kFileError, out.Error()};
  return {};
}
