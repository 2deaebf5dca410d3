// The decimal symbol in the main window's results: a two-byte symbol
// (U+066B, ps_AF) with the C library following it, and the same symbol as
// Qt's locale data gave before for the names users set.
#include <gtest/gtest.h>

#include <clocale>

#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../locale/compiled_locale.h"
#include "MessageBoxes.h"
#include "OpenPictureDialog.h"
#include "UMain.h"
#include "decimal_separator.h"
#include "ui_fixtures.h"

namespace {

const QString kArabicPoint = QStringLiteral("\u066B");

// Run by ArabicPointWindow.ResultBoxes in a process of its own, started
// with LOCPATH and LC_ALL naming a compiled ps_AF.UTF-8: the application
// object has set the C library's locale from them by now.
TEST(ArabicPointWindow, ResultBoxesInChild) {
    ASSERT_STREQ(std::localeconv()->decimal_point, "\u066B") << "the C library does not follow ps_AF here";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString original = dir.filePath(QStringLiteral("asli.bmp"));
    const QString copy = dir.filePath(QStringLiteral("hasil.bmp"));
    const auto colour = [](int x, int y) { return qRgb(x * 40, y * 30, 200 - x - y); };
    ASSERT_TRUE(ui_fixtures::WriteBmp24(original, 5, 4, colour));
    ASSERT_TRUE(ui_fixtures::WriteBmp24(copy, 5, 4, colour));

    std::deque<QString> answers{original, copy};
    TOpenPictureDialog::SetExecuteHook([&](TOpenPictureDialog&) -> std::optional<QString> {
        if (answers.empty()) return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    });
    QStringList messages;
    SetModalMessageHook([&](const QString& text) { messages << text; });
    {
        TForm1 form;
        form.show();
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        ASSERT_TRUE(form.Button3->isEnabled());
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        EXPECT_EQ(form.Edit3->text(), QStringLiteral("0") + kArabicPoint + QStringLiteral("000"));
        EXPECT_EQ(form.Edit4->text(), QStringLiteral("108") + kArabicPoint + QStringLiteral("131"));
    }
    TOpenPictureDialog::SetExecuteHook({});
    SetModalMessageHook({});
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST(ArabicPointWindow, ResultBoxes) {
    CompiledLocales locales;
    ASSERT_FALSE(locales.Path().empty()) << locales.Failure();
    COMPILE_LOCALE_OR_SKIP(locales, "ps_AF", "UTF-8", "ps_AF.UTF-8");

    QProcessEnvironment env;
    env.insert(QStringLiteral("LOCPATH"), QString::fromStdString(locales.Path()));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ps_AF.UTF-8"));
    EXPECT_TRUE(ui_fixtures::PassesInChild(QStringLiteral("ArabicPointWindow.ResultBoxesInChild"), env));
}

// What the program showed when it asked Qt: QLocale::system() is built
// from the same variable's name, and a symbol of more than one UTF-16 unit
// fell back to a full stop.
std::string QtSeparator(const std::string& name) {
    const QString symbol = QLocale(QString::fromStdString(name)).decimalPoint();
    return symbol.size() == 1 ? symbol.toStdString() : ".";
}

class SameAsQt : public testing::TestWithParam<const char*> {};

TEST_P(SameAsQt, ForCommonLocales) {
    const char* name = GetParam();
    EXPECT_EQ(DecimalSeparatorOf(name), QtSeparator(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SameAsQt,
    testing::Values("C", "POSIX", "C.UTF-8", "id_ID", "id_ID.UTF-8", "id_ID.utf8", "id", "de_DE", "de_DE.UTF-8",
                    "de_DE@euro", "de_AT.UTF-8", "de_CH.UTF-8", "de", "fr_FR.UTF-8", "fr_CA.UTF-8", "fr_BE",
                    "fr", "en_US", "en_US.UTF-8", "en_GB.UTF-8", "en_AU.UTF-8", "en_IN", "en",
                    "es_ES.UTF-8", "es_MX.UTF-8", "es_AR.UTF-8", "it_IT.UTF-8", "it_CH.UTF-8", "pt_BR.UTF-8",
                    "pt_PT.UTF-8", "nl_NL.UTF-8", "nl_BE.UTF-8", "sv_SE.UTF-8", "da_DK.UTF-8", "nb_NO.UTF-8",
                    "fi_FI.UTF-8", "pl_PL.UTF-8", "cs_CZ.UTF-8", "hu_HU.UTF-8", "ro_RO.UTF-8", "ru_RU.UTF-8",
                    "uk_UA.UTF-8", "tr_TR.UTF-8", "el_GR.UTF-8", "ja_JP.UTF-8", "ko_KR.UTF-8", "zh_CN.UTF-8",
                    "zh_TW.UTF-8", "th_TH.UTF-8", "vi_VN.UTF-8", "ms_MY.UTF-8", "hi_IN.UTF-8", "he_IL.UTF-8",
                    "ps_AF.UTF-8", "ps_AF"),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return std::to_string(info.index) + "_" + name;
    });

// Where glibc's definitions and Qt's data disagree, glibc's symbol is
// shown: it is the one the C library, citra and the system's own tools use
// for that locale, and the digits shown are always 0-9.
const std::set<std::string> kDifferFromQt{
    // Arabic script: Qt's U+066B goes with Arabic-Indic digits.
    "ar", "ar_BH", "ar_EG", "ar_IN", "ar_IQ", "ar_JO", "ar_KW", "ar_LB", "ar_OM", "ar_QA", "ar_SA", "ar_SD",
    "ar_SS", "ar_SY", "ar_YE", "ckb", "ckb_IQ", "fa", "fa_IR", "ks", "ks_IN", "ks_IN@devanagari", "pa_PK", "sd",
    "ur_IN",
    // The Maghreb: a comma for Qt, a full stop for glibc.
    "ar_DZ", "ar_LY", "ar_MA", "ar_TN",
    // Languages Qt does not know and reads as C.
    "agr", "agr_PE", "ayc", "ayc_PE", "crh", "crh_UA", "csb", "csb_PL", "ht", "ht_HT", "li", "li_BE", "li_NL",
    "lij", "lij_IT", "mhr", "mhr_RU", "pap", "pap_AW", "pap_CW", "quz", "quz_PE", "sgs", "sgs_LT",
    // Other differences in the data.
    "ab", "ab_GE", "af", "af_ZA", "an", "an_ES", "ce", "ce_RU", "cv", "cv_RU", "en_ZA", "es_CU", "es_PE", "fr_CH",
    "hy", "hy_AM", "km", "km_KH", "lo", "lo_LA", "mg", "mg_MG", "mn", "mn_MN", "oc", "oc_FR", "szl", "szl_PL",
    "tk", "tk_TM", "uz", "uz_UZ", "uz_UZ@cyrillic", "wa", "wa_BE", "wa_BE@euro", "wae", "wae_CH"};

TEST(SameAsQt, EveryTabulatedLocaleButTheKnownDifferences) {
    const std::vector<std::string_view> names = TabulatedLocaleNames();
    ASSERT_GT(names.size(), 300u);
    int same = 0;
    for (const std::string_view n : names) {
        const std::string name(n);
        const std::string ours = DecimalSeparatorOf(name);
        if (kDifferFromQt.contains(name)) {
            EXPECT_NE(ours, QtSeparator(name)) << name << " agrees with Qt now: take it off the list";
        } else {
            EXPECT_EQ(ours, QtSeparator(name)) << name;
            ++same;
        }
    }
    EXPECT_GT(same, 400);
}

}  // namespace
