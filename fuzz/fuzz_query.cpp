// Arbitrary typed text normalised and matched against arbitrary subjects: the
// normalised form is well formed and stable, and matching agrees with a
// plain, literal evaluation of the query.
#include <string>
#include <vector>

#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "search/query.h"

using namespace varnel;
using varnel::fuzz::ByteSource;

namespace {

std::vector<std::string> splitAtSpaces(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t sp = s.find(' ', start);
        out.push_back(s.substr(start, sp == std::string::npos ? std::string::npos : sp - start));
        if (sp == std::string::npos) return out;
        start = sp + 1;
    }
}

bool contains(const std::string& subject, const std::string& operand) {
    return !subject.empty() && subject.find(operand) != std::string::npos;
}

bool literalMatch(const std::string& rawSubject, const std::string& query) {
    const std::string subject = toLower(rawSubject);
    bool result = false;
    if (query.empty()) return false;
    std::vector<std::string> terms = splitAtSpaces(query);
    for (size_t i = 0; i < terms.size(); ++i) {
        const std::string& t = terms[i];
        if (t.rfind("!", 0) == 0) {
            if (!contains(subject, t.substr(1))) result = true;
        } else if (t.rfind("&!", 0) == 0) {
            if (i > 0 && !result) return false;
            if (contains(subject, t.substr(2))) return false;
        } else if (t.rfind("&", 0) == 0) {
            if (i > 0 && !result) return false;
            if (!contains(subject, t.substr(1))) return false;
        } else if (contains(subject, t)) {
            result = true;
        }
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    const std::string typed = in.text(64);
    const std::string normal = normaliseQuery(typed);
    FUZZ_CHECK(normal == toLower(normal));
    FUZZ_CHECK(normal.empty() || (normal.front() != ' ' && normal.back() != ' '));
    FUZZ_CHECK(normal.find("  ") == std::string::npos);
    FUZZ_CHECK(normaliseQuery(normal) == normal);
    for (const std::string& term : splitAtSpaces(normal))
        FUZZ_CHECK(normal.empty() || (term != "and" && term != "or" && term != "not"));
    while (true) {
        const std::string subject = in.text(48);
        FUZZ_CHECK(matchesQuery(subject, normal) == literalMatch(subject, normal));
        if (subject.empty() && in.byte() == 0) break;
    }
    return 0;
}
