// Printing the tool's value trees as text and as JSON.
#include "Report.h"

#include <cstdio>

TReport& TReport::Set(const std::string& key, TReport value) {
    Members.emplace_back(key, std::move(value));
    return Members.back().second;
}

TReport TReport::Generated(size_t count, std::function<TReport(size_t index)> item) {
    TReport r(TKind::Array);
    r.GeneratedCount = count;
    r.Generate = std::make_shared<const std::function<TReport(size_t)>>(std::move(item));
    return r;
}

TReport& TReport::Add(TReport value) {
    Items.push_back(std::move(value));
    return Items.back();
}

std::string JsonQuote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

void TReport::PrintJson(std::ostream& out) const {
    Json(out, 0);
    out << "\n";
}

void TReport::Json(std::ostream& out, int indent) const {
    const std::string pad(static_cast<size_t>(indent + 2), ' ');
    const std::string end(static_cast<size_t>(indent), ' ');
    switch (Kind) {
    case TKind::Null:
        out << "null";
        break;
    case TKind::Bool:
        out << (Int ? "true" : "false");
        break;
    case TKind::Int:
        out << Int;
        break;
    case TKind::String:
        out << JsonQuote(Str);
        break;
    case TKind::Object:
        if (Members.empty()) {
            out << "{}";
            break;
        }
        out << "{\n";
        for (size_t i = 0; i < Members.size(); ++i) {
            out << pad << JsonQuote(Members[i].first) << ": ";
            Members[i].second.Json(out, indent + 2);
            out << (i + 1 < Members.size() ? ",\n" : "\n");
        }
        out << end << "}";
        break;
    case TKind::Array: {
        const size_t count = ItemCount();
        if (count == 0) {
            out << "[]";
            break;
        }
        if (IsFlat()) { // short arrays of numbers stay on one line
            out << "[";
            for (size_t i = 0; i < Items.size(); ++i) {
                if (i) out << ", ";
                Items[i].Json(out, indent);
            }
            out << "]";
            break;
        }
        out << "[\n";
        ForEachItem([&](size_t i, const TReport& item) {
            out << pad;
            item.Json(out, indent + 2);
            out << (i + 1 < count ? ",\n" : "\n");
        });
        out << end << "]";
        break;
    }
    }
}

bool TReport::IsFlat() const {
    if (Kind == TKind::Object) {
        for (const auto& m : Members)
            if (!m.second.IsScalar()) return false;
        return true;
    }
    if (Kind == TKind::Array) {
        if (Generate) return GeneratedCount == 0; // not made twice to find out
        for (const auto& item : Items)
            if (!item.IsScalar()) return false;
        return true;
    }
    return true;
}

std::string TReport::ScalarText() const {
    switch (Kind) {
    case TKind::Null:
        return "-";
    case TKind::Bool:
        return Int ? "yes" : "no";
    case TKind::Int:
        return std::to_string(Int);
    case TKind::String:
        return Str.empty() ? "\"\"" : Str;
    default:
        return {};
    }
}

void TReport::PrintText(std::ostream& out) const {
    if (IsScalar()) {
        out << ScalarText() << "\n";
        return;
    }
    Text(out, 0);
}

// Objects: one "key: value" line per member, nested ones indented below their key.
// A flat object inside an array prints on one line as "key=value" pairs.
void TReport::Text(std::ostream& out, int indent) const {
    const std::string pad(static_cast<size_t>(indent), ' ');
    if (Kind == TKind::Object) {
        for (const auto& [key, value] : Members) {
            if (value.IsScalar()) {
                out << pad << key << ": " << value.ScalarText() << "\n";
            } else if (value.Kind == TKind::Array && value.IsFlat()) {
                out << pad << key << ":";
                for (const auto& item : value.Items)
                    out << " " << item.ScalarText();
                out << "\n";
            } else {
                out << pad << key << ":\n";
                value.Text(out, indent + 2);
            }
        }
    } else if (Kind == TKind::Array) {
        ForEachItem([&](size_t i, const TReport& item) {
            out << pad << "[" << i << "]";
            if (item.IsScalar()) {
                out << " " << item.ScalarText() << "\n";
            } else if (item.IsFlat()) {
                for (const auto& [key, value] : item.Members)
                    out << " " << key << "=" << value.ScalarText();
                for (const auto& v : item.Items)
                    out << " " << v.ScalarText();
                out << "\n";
            } else {
                out << "\n";
                item.Text(out, indent + 2);
            }
        });
    }
}
