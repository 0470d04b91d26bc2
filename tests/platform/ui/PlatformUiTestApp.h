#pragma once

#include <QApplication>

namespace qz::test {

// The one application object of this test program, made on first use.
inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "test_platform_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

} // namespace qz::test
