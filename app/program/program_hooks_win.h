// The start-up and close steps of the shipped program, gathered from the
// modules that own them.
#pragma once
#include "app/form_tovi_win.h"

namespace app {
FormHooks ProgramHooks();
}
