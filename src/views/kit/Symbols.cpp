#include "views/kit/Symbols.h"

#include "views/kit/KitLog.h"
#include "views/kit/SymbolIconEngine.h"

#include <QFontDatabase>
#include <QMutex>
#include <QPainter>
#include <QPixmap>
#include <QSet>

namespace ostrevin::kit {

Q_LOGGING_CATEGORY(lcKit, "ostrevin.kit")

namespace {

const QString symbolFamily = QStringLiteral("Material Icons");
constexpr std::string_view unknownName = "?";

QStringList symbolFontCandidates()
{
    QStringList paths;
    const QString configured = qEnvironmentVariable("OSTREVIN_SYMBOL_FONT");
    if (!configured.isEmpty())
        paths << configured;
    paths << QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf")
          << QStringLiteral("/usr/local/share/fonts/MaterialIcons-Regular.ttf");
    return paths;
}

} // namespace

SymbolName SymbolName::fromString(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    for (const SymbolEntry& entry : symbolTable) {
        if (entry.name == std::string_view(utf8.constData(), std::size_t(utf8.size())))
            return SymbolName(entry.name, entry.codepoint);
    }
    static QMutex mutex;
    static QSet<QString> reported;
    {
        QMutexLocker lock(&mutex);
        if (!reported.contains(name)) {
            reported.insert(name);
            qCWarning(lcKit) << "no glyph for the symbol name" << name << "- drawing a stand-in";
        }
    }
    return SymbolName(unknownName, standInCodepoint);
}

QString SymbolName::glyph() const
{
    if (isNull())
        return {};
    const char32_t point = m_codepoint;
    return QString::fromUcs4(&point, 1);
}

bool loadSymbolFont()
{
    static const bool loaded = [] {
        // The desktop may list this family a second time as a compressed web font,
        // and a font added before the desktop's are listed loses to it: the first
        // symbol drawn would then unpack the whole font, a good part of the time to
        // the first frame. Added after the listing, the plain file is the one drawn.
        // Not hasFamily(): it asks fontconfig for aliases before it waits for the
        // listing, and while the start-up's own thread lists, that loads fontconfig's
        // configuration a second time.
        const bool installed = QFontDatabase::families().contains(symbolFamily);
        for (const QString& path : symbolFontCandidates()) {
            if (QFontDatabase::addApplicationFont(path) >= 0)
                return true;
        }
        if (installed)
            return true;
        qCWarning(lcKit) << "the Material Icons font is not installed (fonts-material-design-icons-iconfont):"
                         << "symbols will be missing";
        return false;
    }();
    return loaded;
}

QFont symbolFont(qreal pixelSize)
{
    loadSymbolFont();
    QFont font(symbolFamily);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void paintSymbol(QPainter& painter, const QRectF& rect, SymbolName symbol, const QColor& color, qreal pixelSize)
{
    if (symbol.isNull())
        return;
    painter.save();
    painter.setFont(symbolFont(pixelSize));
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter, symbol.glyph());
    painter.restore();
}

QIcon symbolIcon(SymbolName symbol, const QColor& color, int pixelSize)
{
    return QIcon(new SymbolIconEngine(symbol, color, pixelSize));
}

} // namespace ostrevin::kit
