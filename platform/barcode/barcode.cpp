#include "barcode/barcode.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLibrary>
#include <QMimeData>

#include <memory>

#include <zint.h>

namespace {

const char MissingLibrary[] = "Библиотека штрихкодов не найдена";

// The printed barcode: narrow bars of half a millimetre, bars 12 mm and
// digits 3 mm high, about 78 by 17 mm for a 14-digit code with its quiet
// zones, which the envelopes leave room for below their barcode cell.
constexpr double ModuleMm = 0.5;
constexpr int BarModules = 20;
constexpr double DigitsMm = 3.0;
constexpr int PixelsPerModule = 4;
constexpr int DigitModules = 5; // height of zint's raster digits

// The structure zint_symbol changes between releases; these are the releases
// whose layout matches the zint.h we compile against.
constexpr int SupportedSeries = 211; // 2.11.x
const char SupportedVersion[] = "2.11";

// libzint's entry points, resolved by hand so that nothing links against it.
struct ZintLibrary
{
    using CreateFn = zint_symbol *(*)();
    using DeleteFn = void (*)(zint_symbol *);
    using EncodeAndBufferFn = int (*)(zint_symbol *, const unsigned char *, int, int);
    using VersionFn = int (*)();

    QLibrary library;
    CreateFn create = nullptr;
    DeleteFn destroy = nullptr;
    EncodeAndBufferFn encodeAndBuffer = nullptr;
    QString error;

    explicit ZintLibrary(const QString &name)
    {
        // The run-time package ships only the versioned name; the unversioned
        // one comes with the development files or a path given by a test.
        library.setFileNameAndVersion(name, QString::fromLatin1(SupportedVersion));
        if (!library.load()) {
            library.setFileName(name);
            if (!library.load()) {
                error = QString::fromUtf8(MissingLibrary);
                return;
            }
        }
        const auto version = reinterpret_cast<VersionFn>(library.resolve("ZBarcode_Version"));
        create = reinterpret_cast<CreateFn>(library.resolve("ZBarcode_Create"));
        destroy = reinterpret_cast<DeleteFn>(library.resolve("ZBarcode_Delete"));
        encodeAndBuffer = reinterpret_cast<EncodeAndBufferFn>(library.resolve("ZBarcode_Encode_and_Buffer"));
        if (!version || !create || !destroy || !encodeAndBuffer) {
            error = QString::fromUtf8(MissingLibrary);
        } else if (version() / 100 != SupportedSeries) {
            error = QString::fromUtf8("Версия библиотеки штрихкодов %1 не поддерживается").arg(version());
        }
        if (!error.isEmpty()) {
            create = nullptr;
            library.unload();
        }
    }
    ~ZintLibrary() { library.unload(); }
};

QString &libraryName()
{
    static QString name = QStringLiteral("zint");
    return name;
}

std::unique_ptr<ZintLibrary> &loaded()
{
    static std::unique_ptr<ZintLibrary> lib;
    return lib;
}

ZintLibrary &zint()
{
    if (!loaded())
        loaded() = std::make_unique<ZintLibrary>(libraryName());
    return *loaded();
}

bool isDigits(const QString &code)
{
    if (code.isEmpty())
        return false;
    for (const QChar c : code) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QString invalidCode(const QString &code)
{
    return QString::fromUtf8("Код штрихкода должен состоять только из цифр: \"%1\"").arg(code);
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

QString Get_Check_num(const QString &code, QString *error)
{
    if (!isDigits(code)) {
        setError(error, invalidCode(code));
        return QString();
    }
    int sum = 0;
    int weight = 3;
    for (qsizetype i = code.size() - 1; i >= 0; --i) {
        sum += (code.at(i).unicode() - '0') * weight;
        weight = 4 - weight;
    }
    return QString(QChar('0' + (10 - sum % 10) % 10));
}

QImage BarcodeImage(const QString &codeWithCheckDigit, QString *error, bool humanReadable)
{
    if (!isDigits(codeWithCheckDigit)) {
        setError(error, invalidCode(codeWithCheckDigit));
        return QImage();
    }
    ZintLibrary &lib = zint();
    if (!lib.create) {
        setError(error, lib.error);
        return QImage();
    }

    std::unique_ptr<zint_symbol, ZintLibrary::DeleteFn> symbol(lib.create(), lib.destroy);
    if (!symbol) {
        setError(error, QString::fromUtf8("Не удалось построить штрихкод: нет памяти"));
        return QImage();
    }
    symbol->symbology = BARCODE_C25INTER;
    symbol->height = BarModules;
    symbol->scale = PixelsPerModule / 2.0f; // zint's raster scale 1 is two pixels a module
    symbol->output_options = BARCODE_QUIET_ZONES;
    symbol->show_hrt = humanReadable ? 1 : 0;

    const QByteArray data = codeWithCheckDigit.toLatin1();
    const int rc = lib.encodeAndBuffer(symbol.get(), reinterpret_cast<const unsigned char *>(data.constData()),
                                       int(data.size()), 0);
    if (rc >= ZINT_ERROR || !symbol->bitmap || symbol->bitmap_width <= 0 || symbol->bitmap_height <= 0) {
        setError(error, QString::fromUtf8("Не удалось построить штрихкод: %1")
                            .arg(QString::fromUtf8(symbol->errtxt)));
        return QImage();
    }

    // The raster comes as packed RGB triplets; QImage lines are padded, so
    // copy line by line.
    const int w = symbol->bitmap_width;
    const int h = symbol->bitmap_height;
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        memcpy(image.scanLine(y), symbol->bitmap + size_t(y) * w * 3, size_t(w) * 3);
    // The picture's size on paper. Across: the module width. Down: zint's
    // digits are only five modules high, too small to read at any module
    // width that keeps the code on an envelope, so the picture is drawn
    // taller than wide by the ratio that makes them DigitsMm high.
    image.setDotsPerMeterX(qRound(PixelsPerModule * 1000.0 / ModuleMm));
    image.setDotsPerMeterY(qRound(DigitModules * PixelsPerModule * 1000.0 / DigitsMm));
    return image;
}

bool MakeBarCode(const QString &codeWithCheckDigit, int flag, QString *error)
{
    const QImage image = BarcodeImage(codeWithCheckDigit, error, flag != 0);
    if (image.isNull())
        return false;
    QClipboard *clipboard = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                ? QGuiApplication::clipboard()
                                : nullptr;
    if (!clipboard) {
        setError(error, QString::fromUtf8("Буфер обмена недоступен"));
        return false;
    }
    // The digits travel along as text: callers that read the clipboard's
    // text get the code itself.
    auto *mime = new QMimeData;
    mime->setImageData(image);
    mime->setText(codeWithCheckDigit);
    clipboard->setMimeData(mime);
    return true;
}

void setBarcodeLibraryName(const QString &name)
{
    loaded().reset();
    libraryName() = name;
}
