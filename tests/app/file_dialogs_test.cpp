#include "app/file_dialogs.h"

#include "test_case_name.h"

#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char* name;
    const char* filter;
    std::vector<std::string> expected;
};

const FilterCase kFilterCases[] = {
    {"record files keep descriptions that already name their pattern",
     "Excel File(*.xls)|*.xls|XML(*.xml)|*.xml|Txt File(*.txt)|*.txt",
     {"Excel File(*.xls)", "XML(*.xml)", "Txt File(*.txt)"}},
    {"pictures", "Bitmaps (*.bmp)|*.bmp", {"Bitmaps (*.bmp)"}},
    {"a description without its pattern gets it appended", "Text|*.txt", {"Text (*.txt)"}},
    {"a description naming another pattern keeps it and gets the real one", "Sheets (*.xls)|*.csv",
     {"Sheets (*.xls) (*.csv)"}},
    {"several patterns become one list", "Tables|*.xls;*.txt", {"Tables (*.xls *.txt)"}},
    {"an empty description", "|*.xml", {"(*.xml)"}},
    {"a pair without a pattern is dropped", "Nothing||XML(*.xml)|*.xml", {"XML(*.xml)"}},
    {"a trailing description without a pattern is dropped", "XML(*.xml)|*.xml|Stray", {"XML(*.xml)"}},
    {"an empty filter", "", {}},
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class FilterTable : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterTable, BecomesNameFilters) { EXPECT_EQ(nameFilters(GetParam().filter), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Filters, FilterTable, testing::ValuesIn(kFilterCases), CaseName());

TEST(FileDialogs, LayoutsByName)
{
    const FileDialogLayout* save = fileDialogLayout("SaveDialog2");
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(save->save);
    EXPECT_TRUE(save->confirmOverwrite);
    EXPECT_STREQ(save->defaultExt, "xls");
    const FileDialogLayout* picture = fileDialogLayout("SavePictureDialog1");
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->confirmOverwrite);
    EXPECT_EQ(fileDialogLayout("SaveDialog1"), nullptr);
}

// The save dialog adds the extension of the file type chosen, not always
// the first one's: "XML(*.xml)" and a typed "data" save data.xml.
TEST(FileDialogs, TheDefaultSuffixFollowsTheChosenType)
{
    const struct {
        const char* filter;
        const char* suffix;
    } cases[] = {
        {"Excel File(*.xls)", "xls"}, {"XML(*.xml)", "xml"},   {"Txt File(*.txt)", "txt"},
        {"Bitmaps (*.bmp)", "bmp"},   {"Tables (*.xls *.txt)", "xls"}, {"All (*)", ""},
        {"All (*.*)", ""},            {"Some (*.x?s)", ""},   {"No pattern", ""},
        {"(*.xml)", "xml"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(defaultSuffixOf(c.filter), c.suffix) << c.filter;
    // Every record file type of the save dialog names its own extension.
    for (const std::string& filter : nameFilters(fileDialogLayout("SaveDialog2")->filter))
        EXPECT_NE(filter.find("(*." + defaultSuffixOf(filter) + ")"), std::string::npos) << filter;
}

}  // namespace
