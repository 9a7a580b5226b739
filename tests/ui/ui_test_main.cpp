// Test main for the window tests: a QApplication on the offscreen platform,
// the number locale pinned to "C" (QApplication takes the user's locale).
// With --keep-user-locale the tests run under the locale of the environment
// instead, to show that a decimal-comma locale changes nothing the user sees.
// Settings the windows remember go to a temporary folder, never the user's,
// and are forgotten before every test: a choice one test leaves behind (a kit
// folder since deleted, say) must not change what the next one sees.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr int kSkipped = 77; // ctest SKIP_RETURN_CODE

bool TakeFlag(int &argc, char **argv, const char *flag)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0) {
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            return true;
        }
    }
    return false;
}

class ForgetSettings : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo &) override
    {
        QSettings settings;
        settings.clear();
        settings.sync();
    }
};

} // namespace

int main(int argc, char **argv)
{
    const bool keepUserLocale = TakeFlag(argc, argv, "--keep-user-locale");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QTemporaryDir settings;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, settings.path());
    if (keepUserLocale) {
        const char *point = std::localeconv()->decimal_point;
        if (std::strcmp(point, ",") != 0) {
            std::printf("Skipped: the environment's locale (%s) has no decimal comma; "
                        "generate de_DE.UTF-8 (localedef -i de_DE -f UTF-8 de_DE.UTF-8) "
                        "to run the window tests under it.\n",
                        std::setlocale(LC_NUMERIC, nullptr));
            return kSkipped;
        }
    } else {
        std::setlocale(LC_ALL, "C");
    }
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ForgetSettings);
    return RUN_ALL_TESTS();
}
