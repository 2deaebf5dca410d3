// The user's decimal symbol from the environment: which variable counts,
// how names are matched, and that the built-in table says what glibc says.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <locale.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "compiled_locale.h"
#include "decimal_separator.h"

namespace {

const std::string kArabicPoint = "\u066B";

// Sets variables (nullopt: removes them) and puts back the old values.
class ScopedEnv {
public:
    explicit ScopedEnv(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Only the C locales are generated on a fresh machine; the names below
// are answered by the table there (and by the same data where installed).
struct NameCase {
    const char* name;
    std::string point;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << '"' << c.name << "\" -> \"" << c.point << '"'; }

class SeparatorOfName : public testing::TestWithParam<NameCase> {};

TEST_P(SeparatorOfName, MatchesTheLocaleDefinitions) {
    const ScopedEnv noLocalePath({{"LOCPATH", std::nullopt}});
    EXPECT_EQ(DecimalSeparatorOf(GetParam().name), GetParam().point);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SeparatorOfName,
    testing::Values(
        NameCase{"id_ID", ","}, NameCase{"id_ID.UTF-8", ","}, NameCase{"id_ID.utf8", ","},
        NameCase{"id_ID.ISO-8859-1", ","}, NameCase{"de_DE", ","}, NameCase{"de_DE@euro", ","},
        NameCase{"de_DE.UTF-8@euro", ","}, NameCase{"de_CH.UTF-8", "."},
        NameCase{"de_LI.UTF-8", "."},  // copies de_CH
        NameCase{"fr_FR.UTF-8", ","}, NameCase{"fr_CH", "."}, NameCase{"en_US.UTF-8", "."},
        NameCase{"en_DK.UTF-8", ","}, NameCase{"es_MX.UTF-8", "."}, NameCase{"es_ES.UTF-8", ","},
        NameCase{"ps_AF.UTF-8", kArabicPoint}, NameCase{"ps_AF", kArabicPoint},
        NameCase{"ca_ES@valencia", ","}, NameCase{"ca_ES.UTF-8@valencia", ","}, NameCase{"sr_RS@latin", ","},
        NameCase{"ru_RU.UTF-8", ","}, NameCase{"pt_BR.UTF-8", ","}, NameCase{"ja_JP.UTF-8", "."},
        NameCase{"hi_IN", "."}, NameCase{"bho_IN", "."},  // copies hi_IN
        // A language alone: its main country, else most of its countries.
        NameCase{"de", ","}, NameCase{"id", ","}, NameCase{"fr", ","}, NameCase{"es", ","},
        NameCase{"en", "."}, NameCase{"ps", kArabicPoint},
        // An unknown country or modifier falls back to what is known.
        NameCase{"de_XX.UTF-8", ","}, NameCase{"en_US@nonsense", "."}, NameCase{"de_de.utf8", ","},
        NameCase{"C", "."}, NameCase{"POSIX", "."}, NameCase{"C.UTF-8", "."}, NameCase{"C.utf8", "."},
        NameCase{"", "."}, NameCase{"xx_YY.UTF-8", "."}, NameCase{"_@.", "."}),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return std::to_string(info.index) + "_" + name;
    });

struct EnvCase {
    std::optional<std::string> lcAll, lcNumeric, lang;
    std::string point;
};

void PrintTo(const EnvCase& c, std::ostream* os) {
    auto show = [](const std::optional<std::string>& v) { return v ? '"' + *v + '"' : std::string("unset"); };
    *os << "LC_ALL " << show(c.lcAll) << ", LC_NUMERIC " << show(c.lcNumeric) << ", LANG " << show(c.lang)
        << " -> \"" << c.point << '"';
}

class UserSeparator : public testing::TestWithParam<EnvCase> {};

TEST_P(UserSeparator, FollowsLcAllThenLcNumericThenLang) {
    const EnvCase& c = GetParam();
    const ScopedEnv env({{"LC_ALL", c.lcAll}, {"LC_NUMERIC", c.lcNumeric}, {"LANG", c.lang},
                         {"LC_MONETARY", "de_DE.UTF-8"}, {"LANGUAGE", "de"}, {"LOCPATH", std::nullopt}});
    EXPECT_EQ(UserDecimalSeparator(), c.point);
}

const std::nullopt_t kUnset = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Environment, UserSeparator,
    testing::Values(EnvCase{kUnset, kUnset, kUnset, "."}, EnvCase{"", "", "", "."},
                    EnvCase{kUnset, kUnset, "id_ID.UTF-8", ","}, EnvCase{"", "", "de_DE.UTF-8", ","},
                    EnvCase{"en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "."},
                    EnvCase{"de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", ","},
                    EnvCase{"", "de_DE.UTF-8", "en_US.UTF-8", ","}, EnvCase{kUnset, "en_US.UTF-8", "de_DE.UTF-8", "."},
                    EnvCase{kUnset, "ps_AF.UTF-8", "de_DE", kArabicPoint},
                    EnvCase{"C", "de_DE.UTF-8", "de_DE.UTF-8", "."}, EnvCase{"POSIX", kUnset, "de_DE", "."},
                    EnvCase{kUnset, "C.UTF-8", "de_DE.UTF-8", "."}, EnvCase{"", kUnset, "C", "."}));

// What the C library reads from a compiled locale: LOCPATH set or not.
std::string SeparatorWith(const std::optional<std::string>& locPath, const std::string& name) {
    const ScopedEnv env({{"LOCPATH", locPath}});
    return DecimalSeparatorOf(name);
}

// Whether the C library finds the locale, so a test knows which path ran.
bool Loads(const std::string& locPath, const std::string& name) {
    const ScopedEnv env({{"LOCPATH", locPath}});
    const locale_t locale = newlocale(LC_NUMERIC_MASK, name.c_str(), static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return false;
    freelocale(locale);
    return true;
}

TEST(InstalledLocale, AnswersBeforeTheTable) {
    // de_DE with a middle dot: only the installed definition says so.
    std::ifstream in("/usr/share/i18n/locales/de_DE");
    if (!in) GTEST_SKIP() << "no /usr/share/i18n/locales/de_DE (Debian package locales)";
    std::stringstream text;
    text << in.rdbuf();
    std::string source = text.str();
    const std::string comma = "\ndecimal_point   \",\"";
    const size_t at = source.find(comma);
    ASSERT_NE(at, std::string::npos) << "de_DE's decimal_point line has changed";
    source.replace(at, comma.size(), "\ndecimal_point \"<U00B7>\"");

    CompiledLocales locales;
    ASSERT_FALSE(locales.Path().empty()) << locales.Failure();
    const std::string input = locales.Path() + "/de_DE_dot";
    ASSERT_TRUE(static_cast<bool>(std::ofstream(input) << source));
    COMPILE_LOCALE_OR_SKIP(locales, input, "UTF-8", "de_DE.UTF-8");

    EXPECT_EQ(SeparatorWith(locales.Path(), "de_DE.UTF-8"), "\u00B7");
    EXPECT_EQ(SeparatorWith(std::nullopt, "de_DE.UTF-8"), ",");
    const ScopedEnv env({{"LC_ALL", std::nullopt}, {"LC_NUMERIC", "de_DE.UTF-8"}, {"LOCPATH", locales.Path()}});
    EXPECT_EQ(UserDecimalSeparator(), "\u00B7");
}

TEST(InstalledLocale, TheTableSaysWhatGlibcSays) {
    // Own definitions, copies (of de_CH, of ca_ES) and a two-byte point.
    const std::pair<std::string, std::string> compiled[] = {
        {"ps_AF", "ps_AF.UTF-8"}, {"de_LI", "de_LI.UTF-8"}, {"es_MX", "es_MX.UTF-8"},
        {"ca_ES@valencia", "ca_ES.UTF-8@valencia"}};
    CompiledLocales locales;
    ASSERT_FALSE(locales.Path().empty()) << locales.Failure();
    for (const auto& [input, name] : compiled) {
        COMPILE_LOCALE_OR_SKIP(locales, input, "UTF-8", name);
        ASSERT_TRUE(Loads(locales.Path(), name)) << name;
        ASSERT_FALSE(Loads("/nonexistent", name)) << name << " is installed here: the table is not reached";
        const std::string glibc = SeparatorWith(locales.Path(), name);
        EXPECT_EQ(SeparatorWith(std::nullopt, name), glibc) << name;
        EXPECT_FALSE(glibc.empty()) << name;
    }
    EXPECT_EQ(SeparatorWith(locales.Path(), "ps_AF.UTF-8"), kArabicPoint);
}

}  // namespace
