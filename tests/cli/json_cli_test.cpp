// --json for scripts: every output parses and holds what the tab-separated
// one holds, values with tabs and line breaks whole.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <sstream>

#include "cli/cli_output.h"
#include "cli/cli_test_util.h"
#include "core/document/records.h"
#include "core/session/kdx_session.h"
#include "core/util/vell_utf8.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;

QJsonDocument Parse(const std::string& json) {
  QJsonParseError error;
  QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
  return parsed;
}

std::vector<std::vector<std::string>> Cells(const std::string& tsv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(tsv);
  for (std::string line; std::getline(lines, line);) {
    rows.emplace_back();
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) rows.back().push_back(cell);
  }
  return rows;
}

// A cell of tab-separated output with its escapes undone.
std::string Unescape(const std::string& cell) {
  std::string value;
  for (size_t i = 0; i < cell.size(); ++i) {
    const char c = cell[i] == '\\' && i + 1 < cell.size() ? cell[++i] : '\0';
    if (c == '\0') {
      value += cell[i];
    } else if (c == 'x' && i + 2 < cell.size()) {
      value += static_cast<char>(std::stoi(cell.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      value += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
  }
  return value;
}

// A JSON value as tab-separated output prints it.
std::string Flat(const QString& text) { return CliFlat(text.toStdString()); }

TEST(JsonCli, EveryOutputHoldsTheTabSeparatedValues) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("notes.kdx");
  KdxOk({"new", doc});
  KdxOk({"add", doc, "--title", "tab\there\nline \"quoted\"\\", "--cat1", "a\nb", "--label", "2",
         "--note", "n\x01"},
        "x");
  KdxOk({"add", doc, "--title", "二つ目"}, "y");

  const std::string columns = "id,title,cat1,label,note,updated,encrypted";
  const auto rows = Cells(Kdx({"list", doc, "--columns", columns, "--no-header"}).out);
  const QJsonArray list = Parse(Kdx({"list", doc, "--columns", columns, "--json"}).out).array();
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(list.size(), 2);
  const char* names[] = {"id", "title", "cat1", "label", "note", "updated", "encrypted"};
  for (qsizetype r = 0; r < 2; ++r) {
    const QJsonObject row = list[r].toObject();
    EXPECT_EQ(std::to_string(row["id"].toInt()), rows[r][0]);
    for (size_t c = 1; c < 7; ++c) EXPECT_EQ(Flat(row[names[c]].toString()), rows[r][c]) << c;
  }
  EXPECT_EQ(list[1]["title"].toString().toStdString(), "tab\there\nline \"quoted\"\\");
  EXPECT_EQ(list[1]["cat1"].toString().toStdString(), "a\nb");
  // Each cell reads back to the value exactly.
  EXPECT_EQ(Unescape(rows[1][1]), "tab\there\nline \"quoted\"\\");
  EXPECT_EQ(Unescape(rows[1][2]), "a\nb");
  EXPECT_EQ(Unescape(rows[1][4]), "n\x01");

  const auto fields = Cells(Kdx({"show", doc, "0", "--fields"}).out);
  const QJsonObject object = Parse(Kdx({"show", doc, "0", "--fields", "--json"}).out).object();
  ASSERT_EQ(static_cast<size_t>(object.size()), fields.size());
  for (const auto& field : fields) {
    const QJsonValue value = object[QString::fromStdString(field[0])];
    const std::string text =
        value.isDouble() ? std::to_string(value.toInt()) : Flat(value.toString());
    EXPECT_EQ(text, field.size() > 1 ? field[1] : "") << field[0];
  }

  const auto labels = Cells(Kdx({"labels", doc, "--no-header"}).out);
  const QJsonArray labelArray = Parse(Kdx({"labels", doc, "--json"}).out).array();
  ASSERT_EQ(labelArray.size(), 8);
  EXPECT_EQ(labelArray[2]["name"].toString().toStdString(), labels[2][1]);
  EXPECT_EQ(labelArray[2]["colour"].toString().toStdString(), labels[2][2]);

  const auto categories = Cells(Kdx({"categories", doc}).out);
  const QJsonObject cats = Parse(Kdx({"categories", doc, "--json"}).out).object();
  EXPECT_EQ(Flat(cats["titles"][0].toString()), categories[0][0]);
  ASSERT_EQ(static_cast<size_t>(cats["sets"].toArray().size()) + 1, categories.size());
  EXPECT_EQ(Flat(cats["sets"][0][0].toString()), categories[1][0]);

  const QJsonObject info = Parse(Kdx({"info", doc, "--json"}).out).object();
  EXPECT_EQ(info["entries"].toInt(), 2);
  EXPECT_EQ(info["password"].toString(), "none");
}

}  // namespace

namespace {

// A title read from a damaged file may hold bytes that are not UTF-8: the
// JSON still parses, each such byte a U+FFFD.
TEST(JsonCli, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("notes.kdx");
  KdxOk({"new", doc});
  KdxOk({"add", doc, "--title", "t"}, "x");
  {
    KdxSession session;
    ASSERT_EQ(session.Open(doc, KdxAccess::kWrite), KdxOpenResult::kOk);
    KDX_ENTRY entry = *session.FindEntry(0);
    std::snprintf(entry.en_title, sizeof entry.en_title, "%s", "bad\xFF\xE3\x81 end\x01");
    ASSERT_EQ(session.UpdateEntry(entry), KdxChangeResult::kOk);
    ASSERT_EQ(session.Save(), 0);
  }
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list", doc, "--columns", "title", "--json"},
        std::vector<std::string>{"show", doc, "0", "--fields", "--json"}}) {
    const std::string out = Kdx(args).out;
    EXPECT_TRUE(Vell_IsValidUtf8(out)) << out;
    const QJsonDocument parsed = Parse(out);
    const QJsonObject object = parsed.isArray() ? parsed.array()[0].toObject() : parsed.object();
    EXPECT_EQ(object[args[0] == "list" ? "title" : "en_title"].toString(),
              QString::fromUtf8("bad\uFFFD\uFFFD\uFFFD end\x01"))
        << args[1];
  }
}

}  // namespace
