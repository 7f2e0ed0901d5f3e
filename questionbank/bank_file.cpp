#include "questionbank/bank_file.h"

namespace questionbank {

void ScrambleBank(std::vector<uint8_t>& bytes, std::string_view key) {
    // BankKeyBytes: entry 0 is 0, entry i (1..L) is the code of key character i.
    std::vector<uint8_t> keyBytes(key.size() + 1, 0);
    for (size_t i = 0; i < key.size(); ++i) keyBytes[i + 1] = static_cast<uint8_t>(key[i]);
    const size_t last = key.size();
    size_t k = 0;
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(b ^ keyBytes[k]);
        k += 2;                 // the step is 2, not 1
        if (k > last) k = 0;    // k == L is still used; the wrap goes to 0
    }
}

std::string TempCopyPathIn(std::string_view tmpValue, std::string_view systemTemp) {
    std::string path;
    if (!tmpValue.empty()) {
        path = tmpValue;   // plain join, as earlier runs and their copies expect
    } else {
        path = systemTemp;
        while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
        if (path.empty()) return {};   // no folder at all: never fall back to the drive root
    }
    path += '\\';
    path += kTempCopyName;
    return path;
}

}  // namespace questionbank
