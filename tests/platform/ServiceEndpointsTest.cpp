#include "platform/ServiceEndpoints.h"

#include "BuildConfig.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(ServiceEndpoints, TheGeocoderAddressComesFromAValidOverrideElseTheBuild)
{
    const QString builtIn = QString::fromUtf8(BuildConfig::geocoderURL);
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
            environment.insert(QStringLiteral("OSTREVIN_GEOCODER_URL"), QString::fromUtf8(c.value));
        EXPECT_EQ(ServiceEndpoints::geocoder(environment).toString(), c.expected);
    }
}
