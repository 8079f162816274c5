// The about box against a scripted HTTP server in this process: its texts and
// links, every outcome of the update check and the box while it waits, the
// version file when the program folder can't be written.
#include "common/about.h"
#include "common/programglobals.h"
#include "common/webaddresses.h"

#include "environment/environment.h"
#include "environment/shellopenrecorder.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "xpb.h"

#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kHead = "#version info\r\n";
const QByteArray kSame = kHead + "1.8\r\nhttps://courtmail.example/get\r\n";

// Answers each request with the next scripted status and body (0: accept and
// never answer; 302 sends on to the next answer) and records its first line.
class HttpServer : public QObject
{
public:
    QList<QPair<int, QByteArray>> answers;
    QStringList requests;
    std::function<void()> onRequest;

    HttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                QByteArray &request = m_pending[socket] += socket->readAll();
                if (!request.contains("\r\n\r\n"))
                    return;
                requests.append(QString::fromLatin1(request.left(request.indexOf("\r\n"))));
                if (onRequest)
                    onRequest();
                const auto [status, body] = answers.takeFirst();
                if (status != 0)
                    socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nLocation: /moved\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

private:
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

XpB *button(QWidget &box, const char *name)
{
    return box.findChild<XpB *>(QString::fromLatin1(name));
}

QString fileIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("version.tmp"));
}

void shoot(QWidget &box, const char *name)
{
    if (qEnvironmentVariableIsSet("COURTMAIL_SHOTS_DIR"))
        box.grab().save(QDir(qEnvironmentVariable("COURTMAIL_SHOTS_DIR")).filePath(QString::fromLatin1(name)));
}

// Presses the version button of a shown box; returns its caption after the check.
QString check(About &box, const QString &server)
{
    setUpdateServer(server);
    box.show();
    QTest::mouseClick(button(box, "XpB2"), Qt::LeftButton);
    return button(box, "XpB2")->Caption();
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_program;
    HttpServer m_server; // one for every check, as the real one would be
    QString m_lastDigits;

private Q_SLOTS:
    void initTestCase()
    {
        m_program = m_dir.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(m_program));
        setProgramFolder(m_program);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
        ProgramVersion = QStringLiteral("1.8");
        About::setTimeLimit(500);
    }

    void textsAndLinks()
    {
        QWidget opener;
        opener.setWindowIcon(QIcon(QPixmap(16, 16)));
        About box(&opener);
        QCOMPARE(box.windowTitle(), QStringLiteral("О программе"));
        QVERIFY(box.isModal());
        QCOMPARE(box.windowIcon().cacheKey(), opener.windowIcon().cacheKey());
        const auto label = [&box](const char *name) { return box.findChild<QLabel *>(QString::fromLatin1(name)); };
        QCOMPARE(label("lblTitle")->text(), QStringLiteral("Печать конвертов и уведомлений из электронной картотеки ТОВРА"));
        QCOMPARE(label("Label1")->text(), QStringLiteral("Скачать Firebird ODBC Driver"));
        QCOMPARE(label("Label2")->text(), QStringLiteral("Сайт:"));
        QCOMPARE(label("Label3")->text(), kHomePage);
        QCOMPARE(button(box, "XpB")->Caption(), QStringLiteral("OK"));

        box.show();
        shoot(box, "about.png");
        ShellOpenRecorder pages;
        QTest::mouseClick(label("Label1"), Qt::LeftButton);
        QTest::mouseClick(label("Label3"), Qt::LeftButton);
        QCOMPARE(pages.urls(), QStringList({kDriverDownloadPage, kHomePage}));
        QTest::mouseClick(button(box, "XpB"), Qt::LeftButton);
        QVERIFY(!box.isVisible());
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("opened");

        const QString same = QStringLiteral("Ваша версия самая новая");
        const QString wrong = QStringLiteral("Ошибка проверки!");
        const QString network = QStringLiteral("Ошибка сети!");
        const QString page = QStringLiteral("https://courtmail.example/get");
        QTest::newRow("same version") << 200 << kSame << vbYes << same << "";
        QTest::newRow("older, yes") << 200 << kHead + "1.7\r\n" + page.toLatin1() << vbYes << "Найдена версия 1.7" << page;
        QTest::newRow("newer utf-8, no") << 200 << kHead + "2.0 бета\r\n" + page.toLatin1() << vbNo
                                         << "Найдена версия 2.0 бета" << "";
        QTest::newRow("1.80, http, more lines") << 200 << kHead + "1.80\r\nhttp://x.example/\r\nmore" << vbYes
                                                << "Найдена версия 1.80" << "http://x.example/";
        QTest::newRow("windows-1251") << 200 << kHead + "1.9 \xe1\xe5\xf2\xe0" << vbNo << "Найдена версия 1.9 бета" << "";
        QTest::newRow("no line 3, yes") << 200 << kHead + "2.0" << vbYes << "Найдена версия 2.0" << "";
        QTest::newRow("local file, yes") << 200 << kHead + "2.0\r\nfile:///bin/sh" << vbYes << "Найдена версия 2.0" << "";
        QTest::newRow("header case") << 200 << QByteArray("#Version info\r\n1.8\r\n") << vbYes << wrong << "";
        QTest::newRow("LF line ends") << 200 << QByteArray("#version info\n2.0\n") << vbYes << wrong << "";
        QTest::newRow("empty body") << 200 << QByteArray() << vbYes << wrong << "";
        QTest::newRow("header alone") << 200 << QByteArray("#version info") << vbYes << wrong << "";
        QTest::newRow("empty line 2") << 200 << kHead + "\r\n" + page.toLatin1() << vbYes << wrong << "";
        QTest::newRow("redirect followed") << 302 << kSame << vbYes << same << "";
        QTest::newRow("404") << 404 << kSame << vbYes << network << "";
        QTest::newRow("never answers") << 0 << kSame << vbYes << network << "";
        QTest::newRow("nothing listening") << -1 << kSame << vbYes << network << "";
    }

    // The rows run on one server, each on a new box: a wrong answer's file
    // must be gone before the next row asks, with fresh digits.
    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, answer);
        QFETCH(QString, caption);
        QFETCH(QString, opened);

        About box;
        m_server.onRequest = [&] {
            // Held by the server: the caption on screen, no old file, no input taken.
            QCOMPARE(button(box, "XpB2")->Caption(), QStringLiteral("Проверка обновления..."));
            QVERIFY(!QFile::exists(fileIn(m_program)));
            shoot(box, "about-checking.png");
            QTest::mouseClick(button(box, "XpB2"), Qt::LeftButton);
            button(box, "XpB2")->click();
            QTest::mouseClick(button(box, "XpB"), Qt::LeftButton);
            QTest::keyClick(&box, Qt::Key_Escape);
            box.close();
        };
        m_server.answers = {{qMax(status, 0), body}, {200, body}};
        QTcpServer closed; // a port nothing listens on
        closed.listen(QHostAddress::LocalHost);
        const QString address = status < 0 ? QStringLiteral("127.0.0.1:%1").arg(closed.serverPort()) : m_server.address();
        closed.close();
        const qsizetype before = m_server.requests.size();
        MsgBoxRecorder boxes({answer});
        ShellOpenRecorder pages;

        QCOMPARE(check(box, address), caption);
        QVERIFY(box.isVisible());
        if (status >= 0) {
            const QString first = m_server.requests.value(before);
            const auto line = QRegularExpression(QStringLiteral("^GET /version/lettrix\\.php\\?rnd=(\\d+) HTTP/1\\.1$")).match(first);
            QVERIFY2(m_server.requests.size() - before == (status == 302 ? 2 : 1) && line.hasMatch() && line.captured(1) != m_lastDigits,
                     qPrintable(first));
            m_lastDigits = line.captured(1);
        }
        const bool asked = caption.startsWith(QStringLiteral("Найдена версия "));
        QCOMPARE(boxes.count(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(boxes.last().prompt, QStringLiteral("Найдена более новая версия: ") + caption.mid(15)
                                              + QStringLiteral("\r\n\r\nОткрыть страницу скачивания программы?"));
            QCOMPARE(boxes.last().buttons, vbYesNo | vbQuestion);
            QCOMPARE(boxes.last().title, QStringLiteral("Новая версия"));
        }
        QCOMPARE(pages.urls(), opened.isEmpty() ? QStringList() : QStringList(opened));
        // Only a wrong answer is kept, until the next check.
        QCOMPARE(QFile::exists(fileIn(m_program)), caption == QStringLiteral("Ошибка проверки!"));
    }

    // A program folder below a regular file can't be written, not even by root.
    void unwritableProgramFolderUsesTheCacheFolder()
    {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QVERIFY(cache.startsWith(m_dir.path()));
        const QString plain = m_dir.filePath(QStringLiteral("plain"));
        QVERIFY(QFile(plain).open(QIODevice::WriteOnly));
        setProgramFolder(plain + QStringLiteral("/program"));
        About box;
        m_server.onRequest = nullptr;
        m_server.answers = {{200, "#Version info\r\n"}, {200, kSame}, {200, kSame}};
        QCOMPARE(check(box, m_server.address()), QStringLiteral("Ошибка проверки!"));
        QVERIFY(QFile::exists(fileIn(cache)));
        QCOMPARE(check(box, m_server.address()), QStringLiteral("Ваша версия самая новая"));
        QVERIFY(!QFile::exists(fileIn(cache)));

        // Nowhere to write: as if nothing came.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(plain));
        QCOMPARE(check(box, m_server.address()), QStringLiteral("Ошибка сети!"));
        setProgramFolder(m_program);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
