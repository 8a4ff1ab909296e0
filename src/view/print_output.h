#pragma once

#include <functional>
#include <string>

class QPainter;
class QPrinter;

// True when pdf is a whole PDF file: it ends in "%%EOF" after a "startxref" whose offset points at
// the cross-reference table. A file whose writes failed part-way is never whole: its tail is
// missing, or every later offset is off.
bool PdfIsComplete(const std::string& pdf);

// How printing one page ended.
struct PrintOutcome {
  enum class Kind { kPrinted, kNotStarted, kFileError };
  Kind kind = Kind::kPrinted;
  int error = 0;  // errno of a file error
};

// Draws one page into printer with draw. When the printer writes a PDF file, the page is made in
// memory, checked whole, and then replaces the file in one step, so a full disk is reported and
// leaves an earlier file of that name as it was. kNotStarted when the job cannot start (the file
// cannot be created), kFileError when the file could not be written whole.
PrintOutcome PrintPageTo(QPrinter& printer, const std::function<void(QPainter&)>& draw);
