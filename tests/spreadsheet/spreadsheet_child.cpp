// Helper process for the Calc test: prints a workbook like a program would,
// reports its office's process id and profile folder, then ends either
// normally or by crashing, so the test can check the office ends with it.
// "show" instead fills a working copy and leaves it to the clerk on the
// display given by DISPLAY.
//
//   spreadsheet_child exit|crash|show <workbook> <folder>

#include "spreadsheet/calcoffice.h"
#include "spreadsheet/excelapplication.h"
#include "spreadsheet/spreadsheeterror.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    CalcOffice::setPrintToPdfDirectory(QString::fromLocal8Bit(argv[3]));
    QDir().mkpath(QString::fromLocal8Bit(argv[3]));
    try {
        if (mode == QLatin1String("show")) {
            CalcOffice::setHeadless(false);
            ExcelApplication excel;
            ExcelWorkbook book = excel.Workbooks().Open(QString::fromLocal8Bit(argv[2]));
            book.SaveAs(QDir(QString::fromLocal8Bit(argv[3])).filePath("tovra_znp_1.xls"));
            book.Worksheets(1).Range("A2").setValue("для редактирования");
            excel.setVisible(true);
            excel.Release();
            return 0;
        }
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(QString::fromLocal8Bit(argv[2]));
        book.SaveAs(QDir(QString::fromLocal8Bit(argv[3])).filePath("tovra_znp_1.xls"));
        book.Worksheets(1).Range("A2").setValue("из дочернего процесса");
        book.PrintOut();
        excel.setDisplayAlerts(false);
        excel.Quit();
    } catch (const SpreadsheetError &e) {
        std::fprintf(stdout, "ERROR %s\n", e.what());
        return 1;
    }
    std::fprintf(stdout, "PID %lld\nPROFILE %s\n", CalcOffice::processId(),
                 qPrintable(CalcOffice::profileDirectory()));
    std::fflush(stdout);
    if (mode == QLatin1String("crash"))
        std::abort();
    return 0;
}
