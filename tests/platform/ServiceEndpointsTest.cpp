#include "platform/ServiceEndpoints.h"

#include "BuildConfig.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(ServiceEndpoints, EachServiceAddressComesFromAValidOverrideElseTheBuild)
{
    struct Service {
        const char* variable;
        const char* builtIn;
        QUrl (*address)(const QProcessEnvironment&);
    };
    const Service services[] = {
        {"OSTREVIN_GEOCODER_URL", BuildConfig::geocoderURL, &ServiceEndpoints::geocoder},
        {"OSTREVIN_DIRECTIONS_CAR_URL", BuildConfig::directionsCarURL, &ServiceEndpoints::carDirections},
        {"OSTREVIN_DIRECTIONS_FOOT_URL", BuildConfig::directionsFootURL, &ServiceEndpoints::footDirections},
    };
    for (const Service& service : services) {
        SCOPED_TRACE(service.variable);
        const QString builtIn = QString::fromUtf8(service.builtIn);
        struct Case {
            const char* value; // nullptr: variable not set
            QString expected;
        };
        const Case cases[] = {
            {nullptr, builtIn},
            {"", builtIn},
            {"http://127.0.0.1:2322", QStringLiteral("http://127.0.0.1:2322")},
            {"  https://geo.example.org/photon ", QStringLiteral("https://geo.example.org/photon")},
            {"ftp://geo.example.org", builtIn},
            {"not a url", builtIn},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.value ? c.value : "(unset)");
            QProcessEnvironment environment;
            if (c.value)
                environment.insert(QString::fromUtf8(service.variable), QString::fromUtf8(c.value));
            EXPECT_EQ(service.address(environment).toString(), c.expected);
        }
    }
}
