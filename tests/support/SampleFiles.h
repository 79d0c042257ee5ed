#pragma once
// The sample EDIDs of the repository's testdata/edid folder, for the tests
// that read them. A test that needs them checks first with
// REQUIRE_SAMPLE_EDIDS(), so that a missing file fails the test with its path
// named instead of feeding empty bytes to the code under test.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace samples {

// The folder of the sample EDIDs.
QString edidDir();
// The path of one sample in that folder.
QString edidPath(const QString &name);
// Every sample the tests rely on.
QStringList edidNames();
// The first sample of edidNames() that cannot be read, or an empty string.
QString firstMissingEdid();
// The bytes of one sample; empty when it cannot be read.
QByteArray readEdid(const QString &name);

} // namespace samples

// In a test function (or initTestCase): fails it when a sample is missing.
#define REQUIRE_SAMPLE_EDIDS()                                                                     \
    do {                                                                                           \
        const QString missing_ = samples::firstMissingEdid();                                      \
        QVERIFY2(missing_.isEmpty(),                                                               \
                 qPrintable(QStringLiteral("sample EDID missing or unreadable: ") + missing_));    \
    } while (false)
