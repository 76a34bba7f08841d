#pragma once

#include <QString>

// Every test binary runs in a private environment: the settings store, the runtime directory
// and the home directory point into a temporary directory that is removed at exit, so no test
// ever touches the real user's settings. Window tests run on the offscreen platform.
namespace TestEnvironment {
// The temporary directory of this test run.
QString root();
// The settings file the program would use in this environment.
QString settingsFilePath();
} // namespace TestEnvironment
