// A small tree of values that the tool's commands fill and then print, either as
// indented text for people or as JSON for scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

class TReport {
public:
    enum class TKind { Null, Bool, Int, String, Object, Array };

    TReport() = default;
    static TReport Object() { return TReport(TKind::Object); }
    static TReport Array() { return TReport(TKind::Array); }
    // An array whose `count` items are made one at a time as they are printed, so
    // that a report of millions of items never holds more than one of them.
    static TReport Generated(size_t count, std::function<TReport(size_t index)> item);
    TReport(bool v) : Kind(TKind::Bool), Int(v) {}
    TReport(int v) : Kind(TKind::Int), Int(v) {}
    TReport(int64_t v) : Kind(TKind::Int), Int(v) {}
    TReport(uint32_t v) : Kind(TKind::Int), Int(v) {}
    TReport(std::string v) : Kind(TKind::String), Str(std::move(v)) {}
    TReport(const char* v) : Kind(TKind::String), Str(v) {}

    // Object: adds a member (keeps insertion order) and returns it.
    TReport& Set(const std::string& key, TReport value);
    // Array: appends an element and returns it.
    TReport& Add(TReport value);

    void PrintJson(std::ostream& out) const;
    void PrintText(std::ostream& out) const;

private:
    explicit TReport(TKind k) : Kind(k) {}
    void Json(std::ostream& out, int indent) const;
    void Text(std::ostream& out, int indent) const;
    bool IsScalar() const { return Kind != TKind::Object && Kind != TKind::Array; }
    bool IsFlat() const; // an object or array of scalars only
    std::string ScalarText() const;
    size_t ItemCount() const { return Generate ? GeneratedCount : Items.size(); }
    // Calls visit(index, item) for every item, made on the spot when generated.
    template <typename TVisit> void ForEachItem(TVisit&& visit) const {
        if (!Generate) {
            for (size_t i = 0; i < Items.size(); ++i)
                visit(i, Items[i]);
            return;
        }
        for (size_t i = 0; i < GeneratedCount; ++i) {
            const TReport item = (*Generate)(i);
            visit(i, item);
        }
    }

    TKind Kind = TKind::Null;
    int64_t Int = 0;
    std::string Str;
    std::vector<std::pair<std::string, TReport>> Members; // Object
    std::vector<TReport> Items;                           // Array
    size_t GeneratedCount = 0;                            // Array made as printed
    std::shared_ptr<const std::function<TReport(size_t)>> Generate;
};

std::string JsonQuote(const std::string& s);
