#pragma once

#include <QIcon>

// The application icon (a satellite dish receiving a signal) at every size it is drawn in.
QIcon applicationIcon();
