#include "about.h"

#include "programglobals.h"
#include "webaddresses.h"

#include "environment/environment.h"
#include "environment/shellopen.h"
#include "named.h"
#include "ui/msgbox.h"
#include "xpb.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kVersionFile = QStringLiteral("version.tmp");
const QString kHeaderLine = QStringLiteral("#version info");

// Long enough for a slow line, short enough that the clerk is not left
// waiting: the same as the database connection gets.
constexpr int kDefaultTimeLimit = 10000;
int g_timeLimit = kDefaultTimeLimit;

// A version file is a few lines; anything larger is not an answer of the
// update server and is not kept in memory.
constexpr qint64 kLargestAnswer = 64 * 1024;

const QString kLinkStyle = QStringLiteral("color: #1a4f8b; text-decoration: underline;");

// While a check waits, the box keeps painting but takes no input: a click or
// a key reaching any of its widgets is dropped, not queued, so nothing happens
// later either (the close box is refused by the box itself). Other windows are
// left alone; a box that another part of the program raises meanwhile still
// gets its answer.
class InputBlocker : public QObject
{
public:
    explicit InputBlocker(QWidget *window)
        : m_window(window)
    {
        qApp->installEventFilter(this);
    }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            break;
        default:
            return false;
        }
        auto *widget = qobject_cast<QWidget *>(watched);
        return widget && widget->window() == m_window;
    }

private:
    QWidget *m_window;
};

// The version file's text: UTF-8 when it is valid UTF-8, else Windows-1251,
// the code page of the clerks' Russian desktops.
QString decodeAnswer(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1251("windows-1251");
    return cp1251.isValid() ? QString(cp1251.decode(bytes)) : text;
}

// The user's own cache folder of the program: never one shared with other
// users, so nobody else can plant or read the answer there.
QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

// A leftover of an earlier check goes, wherever it lies. One that can't be
// deleted is no reason to stop: the new answer replaces it or goes elsewhere.
void deleteVersionFiles()
{
    for (const QString &folder : {ProgramFolder(), cacheFolder()}) {
        if (!folder.isEmpty())
            QFile::remove(QDir(folder).filePath(kVersionFile));
    }
}

// Writes the answer into the program's folder, or into the cache folder when
// the program's folder can't be written (an installed program's usually
// can't). Returns the file's path, empty when neither could be written; a
// failed write leaves no half-written file.
QString writeVersionFile(const QByteArray &body)
{
    const QString cache = cacheFolder();
    for (const QString &folder : {ProgramFolder(), cache}) {
        if (folder.isEmpty() || (folder == cache && !QDir().mkpath(folder)))
            continue;
        QSaveFile file(QDir(folder).filePath(kVersionFile));
        if (file.open(QIODevice::WriteOnly) && file.write(body) == body.size() && file.commit())
            return file.fileName();
    }
    return QString();
}

// Only a web page may be opened from the answer: it travels over plain HTTP,
// and a forged one must not make the desktop start a local file or program.
bool isWebPage(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

// Resources of a static library are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(common);
}

About::About(QWidget *parent)
    : QDialog(parent)
{
    initResources();
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("О программе"));
    setModal(true);
    buildControls();
    wireHandlers();
    Form_Load();
}

void About::setTimeLimit(int msec)
{
    g_timeLimit = msec > 0 ? msec : kDefaultTimeLimit;
}

void About::buildControls()
{
    bg = named<QLabel>(QStringLiteral("bg"), this);
    bg->setPixmap(QPixmap(QStringLiteral(":/common/aboutbg.png")));
    bg->setScaledContents(true);

    picIcon = named<QLabel>(QStringLiteral("picIcon"), this);
    picIcon->setPixmap(QPixmap(QStringLiteral(":/common/envelope.png")));
    picIcon->setFixedSize(picIcon->pixmap().size());

    lblTitle = named<QLabel>(QStringLiteral("lblTitle"),
                             QStringLiteral("Печать конвертов и уведомлений из электронной картотеки ТОВРА"), this);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    lblTitle->setFont(titleFont);
    lblTitle->setWordWrap(true);

    lblDescription = named<QLabel>(
        QStringLiteral("lblDescription"),
        QStringLiteral("Комплекс программ для исходящей почты суда: регистрация писем с присвоением "
                       "исходящих номеров, печать конвертов и уведомлений о вручении, реестры и журналы "
                       "отправлений. Работает с базой данных электронной картотеки на сервере Firebird."),
        this);
    lblDescription->setWordWrap(true);

    Label1 = named<QLabel>(QStringLiteral("Label1"), QStringLiteral("Скачать Firebird ODBC Driver"), this);
    Label2 = named<QLabel>(QStringLiteral("Label2"), QStringLiteral("Сайт:"), this);
    Label3 = named<QLabel>(QStringLiteral("Label3"), kHomePage, this);
    for (QLabel *link : {Label1, Label3}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(kLinkStyle);
    }

    XpB2 = named<::XpB>(QStringLiteral("XpB2"), this);
    XpB2->setMinimumSize(300, 30);
    XpB = named<::XpB>(QStringLiteral("XpB"), QStringLiteral("OK"), this);
    XpB->setMinimumSize(90, 30);

    auto *text = new QVBoxLayout;
    text->setSpacing(8);
    text->addWidget(lblTitle);
    text->addWidget(lblDescription);
    text->addSpacing(4);
    text->addWidget(Label1, 0, Qt::AlignLeft);
    auto *site = new QHBoxLayout;
    site->addWidget(Label2);
    site->addWidget(Label3);
    site->addStretch();
    text->addLayout(site);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(XpB2, 1);
    buttons->addSpacing(10);
    buttons->addWidget(XpB);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 14);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(16);
    grid->addWidget(picIcon, 0, 0, Qt::AlignTop);
    grid->addLayout(text, 0, 1);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    // A fixed box, as the clerk knows it; the text column sets the width.
    lblTitle->setFixedWidth(380);
    lblDescription->setFixedWidth(380);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void About::wireHandlers()
{
    connect(XpB2, &::XpB::Click, this, &About::XpB2_Click);
    connect(XpB, &::XpB::Click, this, &About::XpB_Click);
    Label1->installEventFilter(this);
    Label3->installEventFilter(this);
}

bool About::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Label1)
            Label1_Click();
        else if (watched == Label3)
            Label3_Click();
    }
    return QDialog::eventFilter(watched, event);
}

void About::Form_Load()
{
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    bg->setGeometry(0, 0, width(), height());
    bg->lower();
    XpB2->setCaption(QStringLiteral("Версия ") + ProgramVersion + QStringLiteral(". Проверить обновление."));
}

void About::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    bg->setGeometry(0, 0, width(), height());
}

// The box stays while a check runs; it has to see the check's end.
void About::closeEvent(QCloseEvent *event)
{
    if (m_checking) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void About::reject()
{
    if (!m_checking)
        QDialog::reject();
}

void About::XpB_Click()
{
    if (!m_checking)
        accept();
}

void About::Label1_Click()
{
    ShellOpen(kDriverDownloadPage);
}

void About::Label3_Click()
{
    ShellOpen(kHomePage);
}

void About::XpB2_Click()
{
    if (m_checking)
        return;
    const QScopedValueRollback<bool> checking(m_checking, true);

    XpB2->setCaption(QStringLiteral("Проверка обновления..."));
    deleteVersionFiles();
    // A fresh run of digits every time, so that no cache on the way answers.
    const QString digits = QString::number(QRandomGenerator::global()->generateDouble(), 'f', 9).mid(2);
    const QUrl address(QStringLiteral("http://") + UpdateServer() + QStringLiteral("/version/lettrix.php?rnd=")
                       + digits);

    QByteArray body;
    QString file;
    if (download(address, &body))
        file = writeVersionFile(body);
    if (file.isEmpty()) {
        XpB2->setCaption(QStringLiteral("Ошибка сети!"));
        return;
    }

    // The file holds exactly these bytes; it is kept only for a wrong answer.
    const QStringList lines = decodeAnswer(body).split(kCrLf);
    if (lines.at(0) != kHeaderLine || lines.size() < 2 || lines.at(1).isEmpty()) {
        XpB2->setCaption(QStringLiteral("Ошибка проверки!"));
        return;
    }
    const QString latest = lines.at(1);
    if (latest != ProgramVersion) {
        XpB2->setCaption(QStringLiteral("Найдена версия ") + latest);
        const int answer = MsgBox(QStringLiteral("Найдена более новая версия: ") + latest + kCrLf + kCrLf
                                      + QStringLiteral("Открыть страницу скачивания программы?"),
                                  vbYesNo | vbQuestion, QStringLiteral("Новая версия"));
        if (answer == vbYes && lines.size() > 2) {
            const QString page = lines.at(2).trimmed();
            if (isWebPage(page))
                ShellOpen(page);
        }
    } else {
        XpB2->setCaption(QStringLiteral("Ваша версия самая новая"));
    }
    QFile::remove(file);
}

bool About::download(const QUrl &address, QByteArray *body)
{
    QNetworkAccessManager network;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = network.get(request);

    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kLargestAnswer)
            reply->abort();
    });
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    {
        // The box repaints while it waits, and takes nothing from the clerk.
        const InputBlocker blocker(this);
        limit.start(g_timeLimit);
        if (!reply->isFinished())
            loop.exec();
    }

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299)
        return false;
    *body = reply->readAll();
    return true;
}
