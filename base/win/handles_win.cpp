#include "base/win/handles.h"

namespace base::win {

namespace {
long g_live = 0;   // the UI thread is the only one that creates GDI and USER objects
}

long LiveHandleCount() { return g_live; }

void detail::CountHandle(int delta) { g_live += delta; }

}  // namespace base::win
