// varnel-gen-table: the benchmark table, 10 fields per row, CR LF line ends.
//
//   varnel-gen-table [--rows N] [--seed S] [--format csv|psv|tsv] --out FILE
//
// The rows are drawn from a Mersenne Twister seeded and consumed exactly as
// Python's random.Random(seed) is by the project's reference generator
// (random(), randrange(n), choice(), shuffle()), so the same seed and row
// count give the same bytes. Columns: id, qty, price, word, name, city
// ("City, CC", quoted in CSV), date, code, note (2..5 words, about 30 %
// holding ", " and then quoted in CSV, about 1 % holding the search needle in
// some case), status. FILE.meta.json records the counts.
#include <array>
#include <initializer_list>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// MT19937 with the seeding of Python's random module (init_by_array over
// the 32-bit words of the seed).
class PyRandom {
public:
    explicit PyRandom(uint64_t seed) {
        std::vector<uint32_t> key;
        do {
            key.push_back(static_cast<uint32_t>(seed & 0xFFFFFFFFu));
            seed >>= 32;
        } while (seed);
        initByArray(key);
    }

    uint32_t next32() {
        if (index_ >= kN) twist();
        uint32_t y = state_[index_++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        return y;
    }

    double random() {
        const uint32_t a = next32() >> 5, b = next32() >> 6;
        return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
    }

    // randrange(n) for 0 < n < 2^32: getrandbits(bit length of n) until below n.
    uint32_t below(uint32_t n) {
        int k = 0;
        while (k < 32 && (uint64_t{1} << k) <= n) ++k;
        for (;;) {
            const uint32_t r = next32() >> (32 - k);
            if (r < n) return r;
        }
    }

    template <typename T>
    const T& choice(const std::vector<T>& v) {
        return v[below(static_cast<uint32_t>(v.size()))];
    }

    template <typename T>
    void shuffle(std::vector<T>& v) {
        for (size_t i = v.size() - 1; i >= 1; --i) std::swap(v[i], v[below(static_cast<uint32_t>(i + 1))]);
    }

private:
    static constexpr int kN = 624;
    static constexpr int kM = 397;

    void initGenrand(uint32_t s) {
        state_[0] = s;
        for (int i = 1; i < kN; ++i)
            state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + static_cast<uint32_t>(i);
        index_ = kN;
    }

    void initByArray(const std::vector<uint32_t>& key) {
        initGenrand(19650218u);
        int i = 1;
        size_t j = 0;
        const size_t len = key.size();
        for (int k = static_cast<int>(kN > len ? kN : len); k; --k) {
            state_[i] = (state_[i] ^ ((state_[i - 1] ^ (state_[i - 1] >> 30)) * 1664525u)) + key[j] +
                        static_cast<uint32_t>(j);
            ++i;
            ++j;
            if (i >= kN) {
                state_[0] = state_[kN - 1];
                i = 1;
            }
            if (j >= len) j = 0;
        }
        for (int k = kN - 1; k; --k) {
            state_[i] = (state_[i] ^ ((state_[i - 1] ^ (state_[i - 1] >> 30)) * 1566083941u)) - static_cast<uint32_t>(i);
            ++i;
            if (i >= kN) {
                state_[0] = state_[kN - 1];
                i = 1;
            }
        }
        state_[0] = 0x80000000u;
    }

    void twist() {
        for (int i = 0; i < kN; ++i) {
            const uint32_t y = (state_[i] & 0x80000000u) | (state_[(i + 1) % kN] & 0x7FFFFFFFu);
            state_[i] = state_[(i + kM) % kN] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
        }
        index_ = 0;
    }

    std::array<uint32_t, kN> state_{};
    int index_ = kN;
};

using Words = std::vector<std::string>;

const Words kSylA = {"al", "bar", "cor", "dun", "el", "fa", "gor", "hal", "is", "jor", "ka", "lin", "mor", "nar",
                     "ol", "pe", "quin", "ra", "sil", "tor", "ul", "ver", "wen", "xa", "yor", "zel", "bri", "cla",
                     "dre", "fro", "gla", "kra", "ple", "sna", "tri", "vo", "wha", "ste", "mi", "no"};
const Words kSylB = {"dor", "ian", "ex", "ora", "ump", "ith", "ana", "ell", "ost", "ur", "ando", "ette", "ix", "oni",
                     "ark", "wyn", "tas", "eo", "ira", "um", "ax", "berg", "ford", "holm", "ley", "mont", "ness",
                     "rick", "ston", "vale", "wick", "by", "dale", "gate", "ham", "land", "mere", "port", "ton",
                     "ville"};
const Words kFirst = {"Ann", "Bob", "Carla", "Dmitri", "Eve", "Farid", "Gita", "Hans", "Ines", "Jon", "Kei", "Lena",
                      "Marek", "Nora", "Oskar", "Pia", "Quentin", "Rosa", "Sven", "Tara", "Umar", "Vera", "Walt",
                      "Xenia", "Yusuf", "Zoe"};
const Words kLast = {"Abbott", "Brandt", "Castillo", "Dubois", "Eriksen", "Fischer", "Garcia", "Haddad", "Ivanova",
                     "Jensen", "Kowalski", "Larsen", "Moreau", "Nakamura", "Okafor", "Petrov", "Quinn", "Rossi",
                     "Schmidt", "Tanaka", "Ueda", "Varga", "Weber", "Xu", "Yilmaz", "Zimmer"};
const Words kCountries = {"US", "DE", "FR", "JP", "BR", "IN", "NG", "SE", "PL", "CA", "AU", "IT"};
const Words kStatus = {"open", "closed", "pending", "shipped", "returned", "hold", "void", "new"};
const Words kNoteWords = {"red",    "blue",  "quick", "slow",    "parcel",  "invoice", "priority", "customer",
                          "called", "back",  "left",  "message", "damaged", "box",     "urgent",   "follow",
                          "up",     "paid",  "cash",  "card",    "late",    "early",   "fragile",  "handle",
                          "with",   "care",  "gift",  "wrap",    "noted",   "ok"};
const Words kNeedleForms = {"needle", "Needle", "NEEDLE", "nEEdle", "pineneedles", "Needlework"};

std::string capitalized(std::string w) {
    for (size_t i = 0; i < w.size(); ++i) {
        const char c = w[i];
        w[i] = static_cast<char>(i == 0 ? (c >= 'a' && c <= 'z' ? c - 32 : c) : (c >= 'A' && c <= 'Z' ? c + 32 : c));
    }
    return w;
}

std::string upper(std::string w) {
    for (char& c : w)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return w;
}

std::string caseStyle(PyRandom& rng, const std::string& w) {
    const double r = rng.random();
    if (r < 0.6) return w;
    if (r < 0.9) return capitalized(w);
    return upper(w);
}

std::string joined(const Words& words, size_t from, size_t to) {
    std::string s;
    for (size_t i = from; i < to; ++i) {
        if (i > from) s += ' ';
        s += words[i];
    }
    return s;
}

int usage() {
    std::fprintf(stderr, "usage: varnel-gen-table [--rows N] [--seed S] [--format csv|psv|tsv] --out FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long long rows = 1000000;
    unsigned long long seed = 20240601;
    std::string format = "csv";
    std::string outPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view opt = argv[i];
        if (opt == "--rows")
            rows = std::atoll(argv[i + 1]);
        else if (opt == "--seed")
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        else if (opt == "--format")
            format = argv[i + 1];
        else if (opt == "--out")
            outPath = argv[i + 1];
        else
            return usage();
    }
    if (outPath.empty() || argc % 2 == 0 || (format != "csv" && format != "psv" && format != "tsv")) return usage();
    const char delimiter = format == "csv" ? ',' : (format == "psv" ? '|' : '\t');
    const bool quote = format == "csv";
    auto q = [&](const std::string& s) { return quote ? "\"" + s + "\"" : s; };

    PyRandom rng(seed);
    Words words;
    for (const auto& a : kSylA)
        for (const auto& b : kSylB) words.push_back(a + b);
    rng.shuffle(words);
    Words cities;
    for (size_t i = 0; i < 300; ++i) cities.push_back(capitalized(caseStyle(rng, words[i])));

    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    if (!out) {
        std::perror(outPath.c_str());
        return 1;
    }
    std::string buffer;
    buffer.reserve(1 << 21);
    const char* header[] = {"id", "qty", "price", "word", "name", "city", "date", "code", "note", "status"};
    for (int k = 0; k < 10; ++k) {
        if (k) buffer += delimiter;
        buffer += header[k];
    }
    buffer += "\r\n";
    long long needleRows = 0;
    uint64_t bytes = 0;
    char text[64];
    std::string line;
    for (long long i = 1; i <= rows; ++i) {
        const std::string word = caseStyle(rng, rng.choice(words));
        // One draw per statement: C++ leaves the order of operands open.
        const std::string& firstName = rng.choice(kFirst);
        const std::string name = firstName + " " + rng.choice(kLast);
        const std::string cityName = rng.choice(cities);
        const std::string city = q(cityName + ", " + rng.choice(kCountries));
        const unsigned year = 2000 + rng.below(25), month = 1 + rng.below(12), day = 1 + rng.below(28);
        std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
        const std::string date = text;
        const char c1 = static_cast<char>(65 + rng.below(26)), c2 = static_cast<char>(65 + rng.below(26));
        std::snprintf(text, sizeof text, "%c%c-%05u", c1, c2, rng.below(100000));
        const std::string code = text;
        const uint32_t noteLength = 2 + rng.below(4);
        Words nw;
        for (uint32_t w = 0; w < noteLength; ++w) nw.push_back(rng.choice(kNoteWords));
        if (rng.random() < 0.01) {
            // The value is drawn before the position, as the assignment does.
            const std::string form = rng.choice(kNeedleForms);
            nw[rng.below(static_cast<uint32_t>(nw.size()))] = form;
            ++needleRows;
        }
        std::string note;
        if (rng.random() < 0.3) {
            const size_t k = 1 + rng.below(static_cast<uint32_t>(nw.size() - 1));
            note = q(joined(nw, 0, k) + ", " + joined(nw, k, nw.size()));
        } else {
            note = joined(nw, 0, nw.size());
        }
        const uint32_t qty = rng.below(1000000);
        const uint32_t units = rng.below(10000), cents = rng.below(100);
        const std::string& status = rng.choice(kStatus);
        std::snprintf(text, sizeof text, "%lld%c%u%c%u.%02u", i, delimiter, qty, delimiter, units, cents);
        line = text;
        for (const std::string* f : std::initializer_list<const std::string*>{&word, &name, &city, &date, &code, &note, &status}) {
            line += delimiter;
            line += *f;
        }
        buffer += line;
        buffer += "\r\n";
        if (buffer.size() >= (1u << 20)) {
            bytes += std::fwrite(buffer.data(), 1, buffer.size(), out);
            buffer.clear();
        }
    }
    bytes += std::fwrite(buffer.data(), 1, buffer.size(), out);
    if (std::fclose(out) != 0) {
        std::perror(outPath.c_str());
        return 1;
    }

    const std::string metaPath = outPath + ".meta.json";
    if (std::FILE* meta = std::fopen(metaPath.c_str(), "wb")) {
        std::fprintf(meta,
                     "{\n \"file\": \"%s\",\n \"format\": \"%s\",\n \"rows\": %lld,\n \"fields_per_row\": 10,\n"
                     " \"bytes\": %llu,\n \"seed\": %llu,\n \"needle\": \"needle\",\n \"needle_rows\": %lld,\n"
                     " \"numeric_sort_column\": \"qty\",\n \"text_sort_column\": \"word\"\n}",
                     outPath.c_str(), format.c_str(), rows, static_cast<unsigned long long>(bytes), seed, needleRows);
        std::fclose(meta);
    }
    std::fprintf(stderr, "%s: %lld rows, %llu bytes, %lld rows with the needle\n", outPath.c_str(), rows,
                 static_cast<unsigned long long>(bytes), needleRows);
    return 0;
}
