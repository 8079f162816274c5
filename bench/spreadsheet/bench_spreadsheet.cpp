// Click-to-spooled time of one envelope print through the spreadsheet
// layer: open the template, save the working copy, fill ten cells, print,
// quit. "Cold" includes starting the office; "warm" reuses it, as every
// print after the first in a program run does.
//
//   bench_spreadsheet [runs] [--printer]
// Prints into PDF files in a temporary folder unless --printer is given.

#include "spreadsheet/calcoffice.h"
#include "spreadsheet/excelapplication.h"
#include "spreadsheet/spreadsheeterror.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char Source[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
    "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
    "<office:body><office:spreadsheet><table:table table:name=\"Конверт\">"
    "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Суд</text:p>"
    "</table:table-cell></table:table-row></table:table></office:spreadsheet></office:body>"
    "</office:document>\n";

double printEnvelope(const QString &templ, const QString &workingCopy)
{
    QElapsedTimer clock;
    clock.start();
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(templ);
    book.SaveAs(workingCopy);
    ExcelWorksheet sheet = book.Worksheets(1);
    excel.setVisible(false);
    const char *cells[][2] = {
        {"H9", "Иванов Иван Иванович"}, {"G10", "Петровичу"},     {"I15", "УКРАИНА"},
        {"G15", "01001"},                {"H11", "ул. Крещатик, д. 1"}, {"G12", "г. Киев"},
        {"G13", "Киевская обл."},        {"G14", ""},               {"B13", "0012345678901"},
        {"H12", "исх 17"},
    };
    for (const auto &cell : cells)
        sheet.Range(QString::fromUtf8(cell[0])).setValue(QString::fromUtf8(cell[1]));
    book.PrintOut();
    excel.setDisplayAlerts(false);
    excel.Quit();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    int runs = 10;
    bool toPrinter = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--printer")
            toPrinter = true;
        else
            runs = std::max(1, QByteArray(argv[i]).toInt());
    }

    QTemporaryDir dir;
    if (!toPrinter)
        CalcOffice::setPrintToPdfDirectory(dir.filePath("pdf"));
    try {
        const QString source = dir.filePath("source.fods");
        QFile f(source);
        f.open(QIODevice::WriteOnly);
        f.write(Source);
        f.close();
        const QString templ = dir.filePath("Конверт 1.xls");
        {
            ExcelApplication excel;
            excel.Workbooks().Open(source).SaveAs(templ);
            excel.Quit();
        }
        CalcOffice::shutdown(); // so the first print starts the office itself

        const double cold = printEnvelope(templ, dir.filePath("tovra_znp_0.xls"));
        std::vector<double> warm;
        for (int i = 1; i <= runs; ++i)
            warm.push_back(printEnvelope(templ, dir.filePath(QStringLiteral("tovra_znp_%1.xls").arg(i))));
        std::sort(warm.begin(), warm.end());
        std::printf("envelope print, click to spooled (%s)\n", toPrinter ? "default printer" : "PDF");
        std::printf("  cold (office start included): %8.1f ms\n", cold);
        std::printf("  warm median of %2d:            %8.1f ms (min %.1f, max %.1f)\n", runs,
                    warm[warm.size() / 2], warm.front(), warm.back());
    } catch (const SpreadsheetError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
