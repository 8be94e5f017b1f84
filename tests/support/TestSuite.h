#pragma once

#include <QtTest>

// Several Qt Test classes in one executable. A class's source ends with
// KELVORA_TEST_MAIN (or the GUILESS / APPLESS form) where a test of its own ends
// with QTEST_MAIN; the class is then registered under the source file's base name.
// The executable runs the class named by its first argument, the rest going to Qt
// Test; without one it runs every class, each in a process of its own.
namespace TestSuite {

using Entry = int (*)(int argc, char* argv[]);

bool add(const char* pSourceFile, Entry entry);

} // namespace TestSuite

#define KELVORA_TEST_ENTRY(Body) \
    namespace { \
    int suiteEntry(int argc, char* argv[]) \
    { \
        Body \
    } \
    const bool g_bSuiteEntryAdded = TestSuite::add(__FILE__, suiteEntry); \
    }

// The same application objects as QTEST_MAIN, QTEST_GUILESS_MAIN and QTEST_APPLESS_MAIN.
#define KELVORA_TEST_MAIN(TestObject) KELVORA_TEST_ENTRY(QTEST_MAIN_IMPL(TestObject))

#define KELVORA_TEST_GUILESS_MAIN(TestObject) \
    KELVORA_TEST_ENTRY(QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain) < TestObject > (); \
                       QCoreApplication app(argc, argv); app.setAttribute(Qt::AA_Use96Dpi, true); \
                       TestObject tc; QTEST_SET_MAIN_SOURCE_PATH return QTest::qExec(&tc, argc, argv);)

#define KELVORA_TEST_APPLESS_MAIN(TestObject) \
    KELVORA_TEST_ENTRY(TestObject tc; QTEST_SET_MAIN_SOURCE_PATH return QTest::qExec(&tc, argc, argv);)
