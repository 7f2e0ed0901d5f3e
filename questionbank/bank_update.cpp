#include "questionbank/bank_update.h"

#include "jet/database.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"

#include <span>

namespace questionbank {

namespace {

BankCheck Fault(BankFault fault, std::string column = {}) { return BankCheck{fault, std::move(column), 0}; }

}  // namespace

BankCheck CheckBankFile(std::vector<uint8_t> scrambled) {
    ScrambleBank(scrambled, kBankKey);
    auto db = jet::Database::Open(std::move(scrambled), kBankPassword);
    if (!db) {
        return Fault(db.error().kind == jet::Error::BadPassword ? BankFault::OtherPassword : BankFault::NotABank);
    }
    auto columns = db->TableColumns("wd");
    if (!columns) return Fault(columns.error().kind == jet::Error::NoSuchTable ? BankFault::NoTable : BankFault::NotABank);
    for (std::string_view wanted : {"Question", "Answer", "PinYin"}) {
        bool found = false;
        for (const jet::Column& c : *columns) found = found || c.name == wanted;
        if (!found) return Fault(BankFault::NoColumn, std::string(wanted));
    }
    // Every row is read once, so a damaged data page is found here and not by
    // the player's first search.
    size_t rows = 0;
    auto scanned = db->ScanTable("wd", {}, [&](std::span<const jet::CellView>) {
        ++rows;
        return true;
    });
    if (!scanned) return Fault(BankFault::NotABank);
    return BankCheck{BankFault::None, {}, rows};
}

namespace {

std::string ManifestFaultText(const ManifestError& e) {
    switch (e.kind) {
    case ManifestError::NotText: return "不是文本";
    case ManifestError::NotKeyValue: return "第 " + std::to_string(e.line) + " 行不是“键=值”";
    case ManifestError::Missing: return "缺少 " + e.key;
    case ManifestError::Duplicate: return e.key + " 出现了两次";
    case ManifestError::Malformed: return e.key + " 的值不对";
    case ManifestError::Unsupported: return "不认识的 " + e.key;
    }
    return "格式不对";
}

}  // namespace

std::string UpdateMessage(const UpdateOutcome& o) {
    switch (o.end) {
    case UpdateEnd::Updated: return "题库已更新：" + std::to_string(o.bank.questions) + " 道题";
    case UpdateEnd::UpToDate: return "题库已是最新";
    case UpdateEnd::NoConnection: return "无法连接题库更新服务器，请检查网络。题库未改动。";
    case UpdateEnd::ManifestStatus:
        return "题库更新信息下载失败（服务器返回 " + std::to_string(o.status) + "）。题库未改动。";
    case UpdateEnd::ManifestUnreadable: return "题库更新信息没有下载完整。题库未改动。";
    case UpdateEnd::ManifestMalformed:
        return "题库更新信息有误（" + (o.manifestError ? ManifestFaultText(*o.manifestError) : "格式不对") +
               "）。题库未改动。";
    case UpdateEnd::BankStatus:
        return "新题库下载失败（服务器返回 " + std::to_string(o.status) + "）。题库未改动。";
    case UpdateEnd::Truncated:
        return "新题库没有下载完整（收到 " + std::to_string(o.received) + " 字节，应为 " +
               std::to_string(o.expected) + " 字节）。题库未改动。";
    case UpdateEnd::Oversized:
        return "新题库比更新信息所说的大（应为 " + std::to_string(o.expected) + " 字节）。题库未改动。";
    case UpdateEnd::WrongDigest: return "新题库校验失败（SHA-256 不符），文件可能已损坏。题库未改动。";
    case UpdateEnd::NotABank:
        switch (o.bank.fault) {
        case BankFault::OtherPassword: return "下载的文件不是本程序的题库（密码不符）。题库未改动。";
        case BankFault::NoTable: return "下载的题库里没有 wd 表。题库未改动。";
        case BankFault::NoColumn: return "下载的题库缺少 " + o.bank.column + " 列。题库未改动。";
        default: return "下载的文件不是题库。题库未改动。";
        }
    case UpdateEnd::CannotWrite: return "无法保存新题库（磁盘已满或文件夹不可写）。题库未改动。";
    case UpdateEnd::Cancelled: return "已取消题库更新。题库未改动。";
    }
    return "题库更新失败。题库未改动。";
}

bool BankIsCurrent(std::string_view localSha256, std::string_view manifestSha256) {
    return !localSha256.empty() && localSha256 == manifestSha256;
}

BankSource ChooseStartupBank(const BankCandidate& besideProgram, const BankCandidate& perUser) {
    if (!perUser.usable) return BankSource::BesideProgram;
    if (!besideProgram.usable) return BankSource::PerUser;
    return perUser.writeTime > besideProgram.writeTime ? BankSource::PerUser : BankSource::BesideProgram;
}

}  // namespace questionbank
