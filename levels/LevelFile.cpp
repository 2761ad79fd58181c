#include "levels/LevelFile.h"

#include "levels/EntityKinds.h"
#include "levels/LevelValues.h"
#include "platform/DataFile.h"
#include "platform/Printable.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <string_view>

namespace brindlemox::levels {

using namespace platform;

namespace levelfile {

namespace {

std::string keyList() {
    std::vector<const char*> keys;
    for (const KindRow& row : KindTable::rows())
        keys.push_back(row.key);
    return listed(keys, " or ");
}

} // namespace

const Object& Content::map() const {
    return *std::find_if(objects.begin(), objects.end(),
                         [](const Object& o) { return o.kind == Kind::Map; });
}

size_t Content::count(Kind kind) const {
    return static_cast<size_t>(std::count_if(objects.begin(), objects.end(),
                                             [kind](const Object& o) { return o.kind == kind; }));
}

Result parse(const std::string& text, const std::string& name) {
    const std::vector<KindRow>& rows = KindTable::rows();
    Result result;
    Content level;
    // The line that gave each key, for the keys that may be given once.
    std::vector<int> given(rows.size(), 0);
    size_t enemies = 0;
    int number = 0;
    // A UTF-8 byte-order mark (some editors write one) is not part of the first line.
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const auto fail = [&](int line, const std::string& why) {
        result.error = printable(name) + ":" + std::to_string(line) + ": " + why;
        return result;
    };
    while (start < text.size()) {
        ++number;
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            return fail(number, "expected text, not a zero byte");
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        Values v(line);
        if (v.blank())
            continue;
        const std::string key(v.key());
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&key](const KindRow& r) { return key == r.key; });
        if (row == rows.end())
            return fail(number, "unknown key '" + printable(key.substr(0, 32)) + "' (expected " +
                                    keyList() + ")");
        int& first = given[static_cast<size_t>(row - rows.begin())];
        if (row->times != Times::Many && first != 0)
            return fail(number,
                        key + ": given twice (first on line " + std::to_string(first) + ")");
        if (first == 0)
            first = number;
        if (row->makesObjects() && level.objects.size() == MaxObjects)
            return fail(number, key + ": expected at most " + std::to_string(MaxObjects) +
                                    " objects in a level");
        if (row->makesObjects() && row->kind == Kind::Enemies && ++enemies > MaxEnemies)
            return fail(number, key + ": expected at most " + std::to_string(MaxEnemies) +
                                    " enemies in a level");
        Object object;
        object.kind = row->kind;
        object.line = number;
        row->read(v, level, object);
        v.end();
        if (v.failed())
            return fail(number, key + ": " + v.error);
        if (row->makesObjects())
            level.objects.push_back(std::move(object));
    }
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].times == Times::Required && given[i] == 0)
            return fail(std::max(number, 1), "expected a '" + std::string(rows[i].key) +
                                                 "' line; the file ends without one");
    result.content = std::move(level);
    return result;
}

Result read(const std::string& path) {
    Result result;
    datafile::Refusal why;
    const std::optional<std::string> text = datafile::read(path, MaxBytes, &why);
    if (!text) {
        // The system's own words for a file it cannot open (a loop of links, no permission);
        // a pipe, a device, a folder or a huge file is named as such.
        result.error =
            printable(path) + (datafile::isMissing(why) ? ": no such file"
                               : why.error != 0         ? ": cannot read the level file (" +
                                                      datafile::describe(why, MaxBytes) + ")"
                                                : ": expected a regular file of at most 1 MiB");
        return result;
    }
    return parse(*text, path);
}

} // namespace levelfile

} // namespace brindlemox::levels
