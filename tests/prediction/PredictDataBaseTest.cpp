#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "prediction/PredictDataBase.h"
#include "tests/support/TempFolder.h"

namespace {

using testsupport::Entries;
using testsupport::ReadText;
using testsupport::WriteText;

const std::string kHeader = "Tarn_Predict_Outlinecrafter_ModelList";
const std::string kModelA = "FactorVectorList(ff,o,(0.000000000,10.000000000,1,0.000000000,0.000000000,false))";
const std::string kModelB =
    "FactorVectorList(0,c,(1.570796327,5.000000000,2,0.785398163,3.535533906,true),"
    "(3.141592654,5.000000000,1,0.000000000,0.000000000,false))";
const std::string kEmptyModel = "FactorVectorList(ff,o)";

class ModelListFile : public testsupport::TempFolderTest {
protected:
    // Loads text written to a file; returns the result and the colours of the models held.
    bool Load(const std::string& text, std::vector<uint32_t>& colours) {
        WriteText(Path("list.qdml"), text);
        const bool ok = m_database.Load(Path("list.qdml").c_str());
        colours.clear();
        for (const FactorVectorList* model : m_database.Models) colours.push_back(model->Color);
        return ok;
    }

    CPredict_DataBase m_database;
};

TEST_F(ModelListFile, LoadCases) {
    struct Case {
        const char* name;
        std::string text;
        bool ok;
        std::vector<uint32_t> colours;
    };
    const std::vector<Case> cases = {
        {"header only", kHeader, true, {}},
        {"header and line feed", kHeader + "\n", true, {}},
        {"two models, blank lines skipped", kHeader + "\n\n" + kModelA + "\n\n" + kModelB + "\n", true, {0xff, 0}},
        {"CR LF file", kHeader + "\r\n" + kModelA + "\r\n\r\n" + kModelB + "\r\n", true, {0xff, 0}},
        {"model without vectors", kHeader + "\n" + kEmptyModel + "\n", true, {0xff}},
        {"empty file", "", false, {}},
        {"byte-order mark", "\xEF\xBB\xBF" + kHeader + "\n" + kModelA, false, {}},
        {"blank after header", kHeader + " \n" + kModelA, false, {}},
        {"other header", "Tarn_Predict_Outlinecrafter_Modellist\n" + kModelA, false, {}},
        {"bad line stops, earlier stay", kHeader + "\n" + kModelB + "\n" +
             "FactorVectorList(1,o,(0,1,1,0,false))\n" + kModelA + "\n", false, {0}},
        {"not a model line", kHeader + "\n" + kModelA + "\nhello\n" + kModelB, false, {0xff}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> colours;
        EXPECT_EQ(Load(c.text, colours), c.ok) << c.name;
        EXPECT_EQ(colours, c.colours) << c.name;
    }
}

TEST_F(ModelListFile, LoadReadsLongLines) {
    // A model far longer than any read piece.
    std::string line = "FactorVectorList(abc,o";
    for (int i = 0; i < 2000; ++i) line += ",(0.500000000,1.000000000,1,0.000000000,0.000000000,false)";
    line += ")";
    std::vector<uint32_t> colours;
    ASSERT_TRUE(Load(kHeader + "\n" + line + "\n" + kModelA, colours));
    ASSERT_EQ(m_database.Models.GetCount(), 2u);
    EXPECT_EQ(m_database.Models.GetAt(0)->GetCount(), 2000u);
    EXPECT_DOUBLE_EQ(m_database.Models.GetAt(0)->TotalLength, 2000.0);
}

TEST_F(ModelListFile, MissingFileEmptiesModels) {
    std::vector<uint32_t> colours;
    ASSERT_TRUE(Load(kHeader + "\n" + kModelA, colours));
    EXPECT_FALSE(m_database.Load(Path("absent.qdml").c_str()));
    EXPECT_EQ(m_database.Models.GetCount(), 0u);
}

TEST_F(ModelListFile, SaveWritesHeaderAndLinesAndReplacesAtomically) {
    std::vector<uint32_t> colours;
    const std::string text = kHeader + "\n" + kModelA + "\n" + kModelB + "\n";
    ASSERT_TRUE(Load(text, colours));
    const std::string target = Path("saved.qdml");
    WriteText(target, "old content");
    ASSERT_TRUE(m_database.Save(target.c_str()));
    EXPECT_EQ(ReadText(target), text);
    // No temporary file is left beside it.
    EXPECT_EQ(Entries(m_folder), (std::vector<std::string>{"list.qdml", "saved.qdml"}));
}

TEST_F(ModelListFile, SaveIntoMissingFolderFailsAndWritesNothing) {
    CPredict_DataBase empty;
    EXPECT_FALSE(empty.Save(Path("no/such/folder/1.qdml").c_str()));
    EXPECT_FALSE(empty.SaveNew(Path("no/such/folder/1.qdml").c_str()));
    EXPECT_TRUE(Entries(m_folder).empty());
}

TEST_F(ModelListFile, NewListNeverOverwritesAnExistingFile) {
    CPredict_DataBase empty;
    const std::string path = Path("7.qdml");
    ASSERT_TRUE(empty.SaveNew(path.c_str()));
    EXPECT_EQ(ReadText(path), kHeader + "\n");

    WriteText(path, kHeader + "\n" + kModelA + "\n");
    EXPECT_FALSE(empty.SaveNew(path.c_str()));
    EXPECT_EQ(ReadText(path), kHeader + "\n" + kModelA + "\n");
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"7.qdml"});
}

TEST(ModelListFolder, FollowsXdgDataHome) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_DATA_HOME", "/tmp/oc-xdg-data", 1);
    CStr_base<64> folder;
    const bool ok = ModelListFolder(folder, false);
    if (old != nullptr)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(ok);
    EXPECT_STREQ(folder.GetText(), "/tmp/oc-xdg-data/outlinecrafter/modellist");
}

}  // namespace
