#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>
#include <array>
#include <optional>
#include <string_view>

class QPainter;
class QRectF;

namespace ostrevin::kit {

/// One symbol name of the interface and the Material Icons glyph that draws it.
struct SymbolEntry {
    std::string_view name;
    char32_t codepoint;
};

// Names are the interface's own vocabulary (what a view means: "mappin", "car.fill");
// the glyphs are the nearest Material Icons shape. Keep the list sorted by name.
inline constexpr std::array symbolTable{
    SymbolEntry{"arrow.counterclockwise", 0xe042},                            // replay
    SymbolEntry{"arrow.down.circle", 0xf181},                                 // arrow_circle_down
    SymbolEntry{"arrow.triangle.2.circlepath", 0xe627},                       // sync
    SymbolEntry{"arrow.triangle.turn.up.right.diamond", 0xe52e},              // directions
    SymbolEntry{"bell.badge", 0xe7f7},                                        // notifications_active
    SymbolEntry{"bookmark", 0xe867},                                          // bookmark_border
    SymbolEntry{"bookmark.fill", 0xe866},                                     // bookmark
    SymbolEntry{"bus.fill", 0xe530},                                          // directions_bus
    SymbolEntry{"car.fill", 0xe531},                                          // directions_car
    SymbolEntry{"checkmark", 0xe5ca},                                         // check
    SymbolEntry{"checkmark.circle.fill", 0xe86c},                             // check_circle
    SymbolEntry{"checkmark.shield.fill", 0xe8e8},                             // verified_user
    SymbolEntry{"chevron.down", 0xe5cf},                                      // expand_more
    SymbolEntry{"chevron.right", 0xe5cc},                                     // chevron_right
    SymbolEntry{"circle", 0xe836},                                            // radio_button_unchecked
    SymbolEntry{"clock", 0xe8b5},                                             // schedule
    SymbolEntry{"clock.arrow.circlepath", 0xe889},                            // history
    SymbolEntry{"cursorarrow.click", 0xe762},                                 // ads_click
    SymbolEntry{"ellipsis", 0xe5d3},                                          // more_horiz
    SymbolEntry{"exclamationmark.circle.fill", 0xe000},                       // error
    SymbolEntry{"exclamationmark.triangle", 0xf083},                          // warning_amber
    SymbolEntry{"exclamationmark.triangle.fill", 0xe002},                     // warning
    SymbolEntry{"figure.walk", 0xe536},                                       // directions_walk
    SymbolEntry{"gearshape", 0xe8b8},                                         // settings
    SymbolEntry{"info.circle", 0xe88f},                                       // info_outline
    SymbolEntry{"iphone", 0xe325},                                            // phone_iphone
    SymbolEntry{"iphone.slash", 0xe201},                                      // mobile_off
    SymbolEntry{"location", 0xe569},                                          // near_me
    SymbolEntry{"location.fill", 0xe569},                                     // near_me
    SymbolEntry{"location.slash", 0xf1ef},                                    // near_me_disabled
    SymbolEntry{"lock.shield", 0xe32a},                                       // security
    SymbolEntry{"magnifyingglass", 0xe8b6},                                   // search
    SymbolEntry{"mappin", 0xe0c8},                                            // location_on
    SymbolEntry{"mappin.and.ellipse", 0xe55e},                                // pin_drop
    SymbolEntry{"play.fill", 0xe037},                                         // play_arrow
    SymbolEntry{"plus", 0xe145},                                              // add
    SymbolEntry{"point.topleft.down.to.point.bottomright.curvepath", 0xeacd}, // route
    SymbolEntry{"scope", 0xe1b3},                                             // gps_fixed
    SymbolEntry{"sidebar.leading", 0xf114},                                   // view_sidebar
    SymbolEntry{"sparkles", 0xe65f},                                          // auto_awesome
    SymbolEntry{"speaker.slash.fill", 0xe04f},                                // volume_off
    SymbolEntry{"square.2.layers.3d", 0xe53b},                                // layers
    SymbolEntry{"star", 0xe83a},                                              // star_border
    SymbolEntry{"star.fill", 0xe838},                                         // star
    SymbolEntry{"stop.fill", 0xe047},                                         // stop
    SymbolEntry{"wifi.slash", 0xe648},                                        // wifi_off
    SymbolEntry{"wrench.and.screwdriver", 0xe869},                            // build
    SymbolEntry{"xmark", 0xe5cd},                                             // close
    SymbolEntry{"xmark.circle.fill", 0xe5c9},                                 // cancel
    SymbolEntry{"xmark.octagon", 0xe99a},                                     // dangerous
};

/// Drawn for a name the table lacks, so a missing entry shows up instead of blank space.
inline constexpr char32_t standInCodepoint = 0xe8fd; // help_outline

constexpr std::optional<char32_t> findSymbol(std::string_view name)
{
    for (const SymbolEntry& entry : symbolTable) {
        if (entry.name == name)
            return entry.codepoint;
    }
    return std::nullopt;
}

/// A symbol name checked when it is written: `"mappin"_symbol` does not compile
/// when the table lacks the name. Names known only at run time go through
/// SymbolName::fromString().
class SymbolName {
public:
    constexpr SymbolName() = default;
    /// A name known when compiling; an unknown one makes the build fail.
    static consteval SymbolName checked(std::string_view name)
    {
        const std::optional<char32_t> codepoint = findSymbol(name);
        if (!codepoint)
            throw "unknown symbol name: add it to symbolTable"; // a throw is not a constant expression
        return SymbolName(name, *codepoint);
    }
    /// An unknown name logs once and draws the stand-in glyph.
    static SymbolName fromString(const QString& name);

    constexpr bool isNull() const { return m_name.empty(); }
    constexpr std::string_view name() const { return m_name; }
    constexpr char32_t codepoint() const { return m_codepoint; }
    /// The glyph as text in the symbol font.
    QString glyph() const;

    friend constexpr bool operator==(const SymbolName& a, const SymbolName& b) { return a.m_name == b.m_name; }

private:
    constexpr SymbolName(std::string_view name, char32_t codepoint) : m_name(name), m_codepoint(codepoint) {}

    std::string_view m_name;
    char32_t m_codepoint = standInCodepoint;
};

/// The Material Icons font: loaded once from the installed file (or the
/// OSTREVIN_SYMBOL_FONT path); false when it is nowhere to be found.
bool loadSymbolFont();
/// The symbol font at a pixel size and weight (the font has one weight; a heavier
/// request is ignored rather than faked).
QFont symbolFont(qreal pixelSize);
/// Paints the symbol centred in rect.
void paintSymbol(QPainter& painter, const QRectF& rect, SymbolName symbol, const QColor& color, qreal pixelSize);
/// The symbol as an icon for Qt's own buttons and actions.
QIcon symbolIcon(SymbolName symbol, const QColor& color, int pixelSize = 16);

} // namespace ostrevin::kit

namespace ostrevin {

/// `"mappin"_symbol`: see kit::SymbolName.
consteval kit::SymbolName operator""_symbol(const char* text, std::size_t length)
{
    return kit::SymbolName::checked(std::string_view(text, length));
}

} // namespace ostrevin
