// A reader that reaches up into the tracer: the include check must name this line.
#pragma once

#include "base/runtime.h"
#include "engine/tracer.h"
