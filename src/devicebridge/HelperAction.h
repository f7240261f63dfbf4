#pragma once

namespace ostrevin {

/// What the device controller can ask of a helper tool. developerInfo and
/// mountDeveloperDiskImage are asked only of pymobiledevice3.
class HelperAction {
public:
    enum class Case { set, clear, developerInfo, mountDeveloperDiskImage };

    /// Set the simulated location to the point (degrees).
    static HelperAction set(double latitude, double longitude) { return HelperAction(Case::set, latitude, longitude); }
    static HelperAction clear() { return HelperAction(Case::clear); }
    static HelperAction developerInfo() { return HelperAction(Case::developerInfo); }
    static HelperAction mountDeveloperDiskImage() { return HelperAction(Case::mountDeveloperDiskImage); }

    Case kind() const { return m_case; }
    double latitude() const { return m_latitude; }
    double longitude() const { return m_longitude; }

    friend bool operator==(const HelperAction&, const HelperAction&) = default;

private:
    explicit HelperAction(Case kind, double latitude = 0, double longitude = 0)
        : m_case(kind)
        , m_latitude(latitude)
        , m_longitude(longitude)
    {
    }
    Case m_case;
    double m_latitude;
    double m_longitude;
};

} // namespace ostrevin
