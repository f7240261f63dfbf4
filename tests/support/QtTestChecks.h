#pragma once

// QtTest's checks report to a QtTest run, and these programs run Google Test
// instead: a QTRY_* that timed out would return from the test without a word and
// let it pass. Every test file gets this header first (see tests/CMakeLists.txt),
// so the checks behind QTRY_* fail the Google Test case that made them.

#include <QTest>
#include <gtest/gtest.h>

#undef QVERIFY
#define QVERIFY(statement) ASSERT_TRUE(statement) << #statement
#undef QVERIFY2
#define QVERIFY2(statement, description) ASSERT_TRUE(statement) << #statement << ": " << (description)
#undef QCOMPARE
#define QCOMPARE(actual, expected) ASSERT_EQ(actual, expected)
#undef QFAIL
#define QFAIL(message) FAIL() << (message)
