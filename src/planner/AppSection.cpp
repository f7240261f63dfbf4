#include "planner/AppSection.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(AppSection section)
{
    switch (section) {
    case AppSection::place:
        //: Main navigation: set a single location. Short label under an icon in the narrow navigation rail (one word if
        //: possible); also a View menu item.
        return QCoreApplication::translate("AppSection", "Place");
    case AppSection::route:
        //: Route (noun). Also the sidebar section and the fallback name of an unnamed route.
        return QCoreApplication::translate("AppSection", "Route");
    case AppSection::saved:
        //: Main navigation: saved locations and saved routes. Short label under an icon in the narrow navigation rail
        //: (one word if possible); also a View menu item.
        return QCoreApplication::translate("AppSection", "Saved");
    case AppSection::history:
        //: Main navigation: recently used locations and routes. Short label under an icon in the narrow navigation rail
        //: (one word if possible); also a View menu item.
        return QCoreApplication::translate("AppSection", "History");
    }
    return {};
}

} // namespace ostrevin
