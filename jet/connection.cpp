#include "jet/connection.h"

#include <vector>

#include "base/text.h"

namespace jet {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

Result<ConnectionSettings> ParseConnectionString(std::string_view text) {
    ConnectionSettings settings;
    bool haveProvider = false, haveSource = false;
    size_t i = 0;
    while (i <= text.size()) {
        // Key: up to '=' or the end of the segment.
        const size_t keyEnd = text.find_first_of("=;", i);
        if (keyEnd == std::string_view::npos || text[keyEnd] == ';') {
            if (keyEnd == std::string_view::npos) break;
            i = keyEnd + 1;   // no '=': ignored
            continue;
        }
        const std::string key = base::AsciiLower(Trim(text.substr(i, keyEnd - i)));
        size_t j = keyEnd + 1;
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
        std::string value;
        if (j < text.size() && (text[j] == '"' || text[j] == '\'')) {
            const char quote = text[j++];
            bool closed = false;
            while (j < text.size()) {
                if (text[j] == quote) {
                    if (j + 1 < text.size() && text[j + 1] == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    closed = true;
                    break;
                }
                value += text[j++];
            }
            if (!closed) return Error{Error::Syntax, "The connection string has an unclosed quote in the value of '" + key + "'."};
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
            if (j < text.size() && text[j] != ';') {
                return Error{Error::Syntax, "The connection string has text after the quoted value of '" + key + "'."};
            }
        } else {
            const size_t end = text.find(';', j);
            value = std::string(Trim(text.substr(j, end == std::string_view::npos ? std::string_view::npos : end - j)));
            j = end == std::string_view::npos ? text.size() : end;
        }
        if (key == "provider") {
            settings.provider = value;
            haveProvider = true;
        } else if (key == "data source") {
            settings.dataSource = value;
            haveSource = true;
        } else if (key == "jet oledb:database password") {
            settings.databasePassword = value;
        }
        i = j + 1;
    }
    if (!haveProvider || base::AsciiLower(settings.provider) != base::AsciiLower(kJetProvider)) {
        return Error{Error::Unsupported, "The connection string must name the provider " + std::string(kJetProvider) +
                                             (haveProvider ? ", not '" + settings.provider + "'." : ".")};
    }
    if (!haveSource || settings.dataSource.empty()) {
        return Error{Error::Syntax, "The connection string names no Data Source."};
    }
    return settings;
}

std::string QuoteConnectionValue(std::string_view value) {
    const bool needs = value.find(';') != std::string_view::npos ||
                       (!value.empty() && (value.front() == '"' || value.front() == '\'' || value.front() == ' ' ||
                                           value.back() == ' '));
    if (!needs) return std::string(value);
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace jet
