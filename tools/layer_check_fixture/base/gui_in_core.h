// A core file that pulls in a window toolkit header.
#pragma once

#include <QWidget>
