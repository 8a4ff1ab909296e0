#include "view/print_setup_text.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "view/view_dialogs.h"

TEST(PrintSetupTextTest, DefaultSetupPrintsAllWithoutPageNumbers) {
  PrintSetupInfo info;
  info.driverName = "PDF";
  info.deviceName = "Print to File (PDF)";
  info.portName = "/tmp/a.pdf";
  info.copies = 1;
  info.fromPage = 3;  // ignored: no page range is chosen
  info.toPage = 9;
  EXPECT_EQ(BuildPrintSetupText(info),
            "Driver name:\t\tPDF"
            "\nDevice name:\t\tPrint to File (PDF)"
            "\nPort name:\t\t/tmp/a.pdf"
            "\nNumber of copies:\t\t1"
            "\nCollate:\t\t\tNo"
            "\nPrint all:\t\t\tYes"
            "\nPrint range:\t\tNo"
            "\nSelection:\t\t\tNo"
            "\nFrom page:\t\t-1"
            "\nTo page:\t\t\t-1");
}

TEST(PrintSetupTextTest, PageRangeAndSelectionAreReported) {
  PrintSetupInfo range;
  range.copies = 3;
  range.collate = true;
  range.pageRange = true;
  range.fromPage = 2;
  range.toPage = 5;
  std::string text = BuildPrintSetupText(range);
  EXPECT_NE(
      text.find("\nNumber of copies:\t\t3\nCollate:\t\t\tYes\nPrint all:\t\t\tNo"
                "\nPrint range:\t\tYes\nSelection:\t\t\tNo\nFrom page:\t\t2\nTo page:\t\t\t5"),
      std::string::npos);

  PrintSetupInfo selection;
  selection.selection = true;
  text = BuildPrintSetupText(selection);
  EXPECT_NE(text.find("Print all:\t\t\tNo\nPrint range:\t\tNo\nSelection:\t\t\tYes"
                      "\nFrom page:\t\t-1\nTo page:\t\t\t-1"),
            std::string::npos);
}

TEST(PrintSetupTextTest, DescribesAPdfPrinter) {
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName("/tmp/out.pdf");
  printer.setCopyCount(2);
  PrintSetupInfo info = DescribePrinter(printer);
  EXPECT_EQ(info.driverName, "PDF");
  EXPECT_EQ(info.portName, "/tmp/out.pdf");
  EXPECT_EQ(info.copies, 2);
  EXPECT_FALSE(info.pageRange);
  EXPECT_FALSE(info.selection);
}

TEST(PrintSetupTextTest, SetupDialogConfirmsWithOkAndThePrintDialogWithPrint) {
  auto okText = [](PrintDialogKind kind) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintDialog dialog(&printer);
    PreparePrintDialog(dialog, kind);
    dialog.show();
    QCoreApplication::processEvents();
    QString text;
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>()) {
      if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) text = ok->text();
    }
    dialog.hide();
    return text.remove('&');
  };
  EXPECT_EQ(okText(PrintDialogKind::kSetup), "OK");
  EXPECT_EQ(okText(PrintDialogKind::kPrint), "Print");
}
