#include "views/kit/Symbols.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::kit;

TEST(Symbols, EveryNameWrittenInTheSourcesIsInTheTable)
{
    // Literals with _symbol are checked when compiling; names passed as text are
    // only found at run time, so read them out of the sources here.
    const QRegularExpression written(
        QStringLiteral(R"re("([a-z0-9.]+)"_symbol|fromString\(\s*(?:QStringLiteral\()?u?"([a-z0-9.]+)")re"));
    QSet<QString> missing;
    int found = 0;
    // The snapshot scenarios use the views' vocabulary too.
    for (const char* folder : {"/src", "/snapshots"}) {
        QDirIterator files(QStringLiteral(OSTREVIN_SOURCE_DIR) + QString::fromLatin1(folder),
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            const QString text = QString::fromUtf8(file.readAll());
            for (auto it = written.globalMatch(text); it.hasNext();) {
                const auto match = it.next();
                const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
                ++found;
                if (!findSymbol(name.toStdString()))
                    missing << name;
            }
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << "not in symbolTable: " << missing.values().join(u", ").toStdString();
    EXPECT_GT(found, 0) << "the scan found no symbol names: has the way they are written changed?";
}

TEST(Symbols, TheTableHasOneGlyphPerNameAndTheFontDrawsEachOfThem)
{
    ASSERT_TRUE(loadSymbolFont()) << "install fonts-material-design-icons-iconfont";
    const QFontMetrics metrics(symbolFont(24));
    QSet<std::string_view> names;
    std::string_view previous;
    for (const SymbolEntry& entry : symbolTable) {
        SCOPED_TRACE(std::string(entry.name));
        EXPECT_FALSE(names.contains(entry.name)) << "listed twice";
        EXPECT_LT(previous, entry.name) << "the table is kept sorted";
        names.insert(entry.name);
        previous = entry.name;
        EXPECT_TRUE(metrics.inFontUcs4(entry.codepoint)) << "the font has no such glyph: it would draw a blank";
    }
    EXPECT_TRUE(metrics.inFontUcs4(standInCodepoint));
}

TEST(Symbols, NamesKnownOnlyAtRunTimeFindTheirGlyphOrAVisibleStandIn)
{
    EXPECT_EQ(SymbolName::fromString(QStringLiteral("car.fill")).codepoint(), "car.fill"_symbol.codepoint());
    EXPECT_EQ(SymbolName::fromString(QStringLiteral("car.fill")), "car.fill"_symbol);
    const SymbolName unknown = SymbolName::fromString(QStringLiteral("no.such.symbol"));
    EXPECT_FALSE(unknown.isNull());
    EXPECT_EQ(unknown.codepoint(), standInCodepoint);
    EXPECT_FALSE(unknown.glyph().isEmpty());
    EXPECT_TRUE(SymbolName().glyph().isEmpty());
}

TEST(Symbols, AnIconIsDrawnAtTheScaleItShowsAtAndTheStyleGreysItWhenDisabled)
{
    ASSERT_TRUE(loadSymbolFont());
    const QColor color(Qt::darkBlue);
    const QIcon icon = symbolIcon("gearshape"_symbol, color, 18);
    // What the icon's own square holds at a scale: the symbol drawn there directly.
    const auto drawn = [&](qreal scale) {
        QPixmap pixmap(QSize(18, 18) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintSymbol(painter, QRectF(0, 0, 18, 18), "gearshape"_symbol, color, 18);
        painter.end();
        return pixmap.toImage();
    };
    for (const qreal scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const QPixmap shown = icon.pixmap(QSize(18, 18), scale);
        EXPECT_EQ(shown.deviceIndependentSize(), QSizeF(18, 18));
        EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  drawn(scale).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    // A toolbar asks for more room than the symbol has: it keeps its size.
    EXPECT_EQ(icon.pixmap(QSize(24, 24), 1.0).size(), QSize(18, 18));
    EXPECT_EQ(icon.actualSize(QSize(12, 12)), QSize(12, 12));

    QStyleOption option;
    option.palette = QGuiApplication::palette();
    const QImage greyed =
        QApplication::style()->generatedIconPixmap(QIcon::Disabled, QPixmap::fromImage(drawn(1.0)), &option).toImage();
    const QImage disabled = icon.pixmap(QSize(18, 18), 1.0, QIcon::Disabled).toImage();
    EXPECT_EQ(disabled.convertToFormat(QImage::Format_ARGB32_Premultiplied),
              greyed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    EXPECT_NE(disabled.convertToFormat(QImage::Format_ARGB32_Premultiplied),
              drawn(1.0).convertToFormat(QImage::Format_ARGB32_Premultiplied));
}
