#include "base/win/window_props.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace base::win {
namespace {

struct Kept {
    std::wstring name;
    INT_PTR value;
};

// Windows of any thread of the process, each with its few kept properties.
struct KeptProps {
    SRWLOCK lock = SRWLOCK_INIT;
    std::unordered_map<HWND, std::vector<Kept>> windows;
};

// Never destroyed: a window may end while the process's statics are being
// destroyed, and its procedures still read and remove what they kept.
KeptProps& Props() {
    static KeptProps* const props = new KeptProps;
    return *props;
}

class Locked {
public:
    Locked(SRWLOCK& lock, bool shared) : lock_(lock), shared_(shared) {
        shared_ ? AcquireSRWLockShared(&lock_) : AcquireSRWLockExclusive(&lock_);
    }
    ~Locked() { shared_ ? ReleaseSRWLockShared(&lock_) : ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
    bool shared_;
};

}  // namespace

INT_PTR GetKeptProp(HWND w, const wchar_t* name) {
    KeptProps& p = Props();
    const Locked locked(p.lock, true);
    INT_PTR value = 0;
    if (const auto it = p.windows.find(w); it != p.windows.end()) {
        for (const Kept& k : it->second) {
            if (k.name == name) value = k.value;
        }
    }
    return value;
}

bool SetKeptProp(HWND w, const wchar_t* name, INT_PTR value) {
    if (!SetPropPtr(w, name, value)) return false;
    KeptProps& p = Props();
    const Locked locked(p.lock, false);
    std::vector<Kept>& kept = p.windows[w];
    bool found = false;
    for (Kept& k : kept) {
        if (k.name == name) k.value = value, found = true;
    }
    if (!found) kept.push_back({name, value});
    return true;
}

void RemoveKeptProp(HWND w, const wchar_t* name) {
    RemovePropW(w, name);
    KeptProps& p = Props();
    const Locked locked(p.lock, false);
    if (const auto it = p.windows.find(w); it != p.windows.end()) {
        std::erase_if(it->second, [&](const Kept& k) { return k.name == name; });
        if (it->second.empty()) p.windows.erase(it);
    }
}

}  // namespace base::win
