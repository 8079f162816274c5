#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QUrl>
#include <QXmlStreamReader>

// The look of a workbook's cells, read from the flat XML the office itself
// converts it to: each cell's frame, wrapping and decimals as one comparable
// text ("D9" -> "0.74pt solid #000000|wrap|3").
inline QHash<QString, QString> cellLooks(const QString &workbook, const QString &scratch)
{
    QHash<QString, QString> looks;
    const QString out = QDir(scratch).filePath("look");
    QProcess soffice;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", scratch);
    env.insert("LC_CTYPE", "C.UTF-8");
    soffice.setProcessEnvironment(env);
    soffice.start("/usr/lib/libreoffice/program/soffice",
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(scratch + "/profile").toString(),
                   "--headless", "--norestore", "--convert-to", "fods", "--outdir", out, workbook});
    QFile file(QDir(out).filePath(QFileInfo(workbook).completeBaseName() + ".fods"));
    if (!soffice.waitForFinished(120000) || !file.open(QIODevice::ReadOnly))
        return looks;

    QHash<QString, QString> styles; // cell style, number style -> look
    QString style;
    int row = 0, rowRepeat = 1, column = 0;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView name = xml.qualifiedName();
        if (name == u"style:style" || name == u"number:number-style") {
            style = a.value("style:name").toString();
            styles[style + "#data"] = a.value("style:data-style-name").toString();
        } else if (name == u"number:number") {
            styles[style] = a.value("number:decimal-places").toString();
        } else if (name == u"style:table-cell-properties") {
            styles[style] = a.value("fo:border-bottom").toString() + a.value("fo:border").toString()
                + '|' + a.value("fo:wrap-option").toString();
        } else if (name == u"table:table-row") {
            // Rows alike come once with a repeat count; the endless empty
            // tail of the sheet is not worth describing.
            const int repeat = qMax(1, a.value("table:number-rows-repeated").toInt());
            rowRepeat = qMin(repeat, 100);
            row += repeat;
            column = 0;
        } else if (name.endsWith(u"table-cell")) {
            const QString cellStyle = a.value("table:style-name").toString();
            const QString text = styles.value(cellStyle) + '|' + styles.value(styles.value(cellStyle + "#data"));
            const int repeat = qMax(1, a.value("table:number-columns-repeated").toInt());
            for (int c = column; c < qMin(column + repeat, 26); ++c)
                for (int r = row - rowRepeat + 1; r <= row; ++r)
                    looks[QChar('A' + c) + QString::number(r)] = text;
            column += repeat;
        }
    }
    return looks;
}
