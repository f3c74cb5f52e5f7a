// kdx search FILE WORDS...: the entries whose plain text (and on request note
// or title) holds the words, in the order of the result list; on request with
// the lines that hold them.
#include <algorithm>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/content/entry_content.h"
#include "core/document/entry_table.h"
#include "core/listing/entry_sort.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_engine.h"
#include "core/search/search_history.h"
#include "core/search/text_match.h"

namespace {

struct SearchOptions {
  std::string path;
  std::string mode = "phrase";
  std::vector<std::string> fields;
  std::vector<std::string> words;
  bool remember = false, context = false, noneOk = false, json = false;
};

// The field names into kKdxSearch* bits; 0 when one is unknown.
uint32_t ParseFields(const std::vector<std::string>& names) {
  uint32_t fields = 0;
  for (const std::string& name : names) {
    if (name == "body") {
      fields |= kKdxSearchBody;
    } else if (name == "note") {
      fields |= kKdxSearchNote;
    } else if (name == "title") {
      fields |= kKdxSearchTitle;
    } else {
      return 0;
    }
  }
  return names.empty() ? kKdxSearchBody : fields;
}

// Marks around a found word: bold red at a terminal, else guillemets.
struct Marks {
  std::string open, close;
};

// The lines of text holding any of the words, each word marked, the text
// escaped as every value kdx prints in a line (CliFlat); the marks are not.
std::vector<std::string> MatchingLines(const std::string& text,
                                       const std::vector<KdxFoldedWord>& words,
                                       const Marks& marks) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(line.data());
    std::vector<std::pair<size_t, size_t>> found;  // [start, end) of each occurrence
    for (const KdxFoldedWord& word : words) {
      if (word.size() == 0) continue;
      for (size_t from = 0; from < line.size();) {
        const size_t at = word.Find(bytes + from, line.size() - from);
        if (at == SIZE_MAX) break;
        found.emplace_back(from + at, from + at + word.size());
        from += at + word.size();
      }
    }
    if (found.empty()) continue;
    std::sort(found.begin(), found.end());
    std::string marked;
    size_t done = 0;
    for (auto [start, end] : found) {
      if (end <= done) continue;
      start = std::max(start, done);
      marked += CliFlat(line.substr(done, start - done)) + marks.open +
                CliFlat(line.substr(start, end - start)) + marks.close;
      done = end;
    }
    lines.push_back(marked + CliFlat(line.substr(done)));
  }
  return lines;
}

int RunSearch(const SearchOptions& o, const CliPasswordSource& pw, std::ostream& out,
              std::ostream& err) {
  const int32_t mode = o.mode == "phrase" ? kKdxSearchPhrase
                       : o.mode == "all"  ? kKdxSearchAllWords
                                          : kKdxSearchAnyWord;
  const uint32_t fields = ParseFields(o.fields);
  if (fields == 0) {
    err << "kdx: --in takes body, note and title (see kdx search --help)\n";
    return kExitUsage;
  }
  std::string text;
  for (size_t i = 0; i < o.words.size(); ++i) text += (i > 0 ? " " : "") + o.words[i];

  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status != kExitOk) return status;
  const KDX_DATA* data = &doc.data();

  std::vector<KDX_FOUND_RESULT> results;
  KdxSearchStats stats;
  const int32_t found = KDX_SearchEntries(data, text.c_str(), mode, fields, {}, results, &stats);
  if (found == kKdxSearchCannotOpen) {
    err << "kdx: " << o.path << ": the document file cannot be read\n";
    return kExitFailed;
  }
  if (found != 0) {
    err << "kdx: " << o.path << ": the search failed (" << found << ")\n";
    return kExitFailed;
  }

  KDX_SORT_INFO keys;
  CLCOMM_InitListInfo(data->columnAry, &keys);
  KdxNoteReader notes = doc.NoteReader();
  if (KDX_SortFoundResults(data, keys, notes, results) == kKdxSearchNoMemory) {
    err << "kdx: out of memory\n";
    return kExitFailed;
  }
  std::vector<KdxFoldedWord> words;
  if (mode == kKdxSearchPhrase) {
    words.emplace_back(text);
  } else {
    for (const std::string& word : KDX_SplitSearchWords(text.c_str())) words.emplace_back(word);
  }
  const Marks marks = o.json                      ? Marks{}
                      : pw.console->outIsTerminal ? Marks{"\033[1;31m", "\033[0m"}
                                                  : Marks{"«", "»"};
  std::vector<std::string> objects;
  KDX_ENTRY entry;
  for (const KDX_FOUND_RESULT& r : results) {
    if (KDX_FindEntry(data, r.en_id, &entry) < 0) continue;
    std::vector<std::string> lines;
    if (o.context) {
      std::string body;
      if ((fields & kKdxSearchBody) != 0 &&
          KDX_LoadBlockText(o.path.c_str(), entry, KdxBlockKind::kText, &body) >= 0) {
        lines = MatchingLines(body, words, marks);
      }
      if ((fields & kKdxSearchNote) != 0) {
        for (const std::string& line : MatchingLines(notes(entry.en_id), words, marks)) {
          lines.push_back("(note) " + line);
        }
      }
    }
    if (o.json) {
      CliJsonObject object;
      object.AddNumber("id", entry.en_id).AddText("title", entry.en_title);
      if (o.context) {
        std::vector<std::string> quoted;
        for (const std::string& line : lines) quoted.push_back(CliJsonString(line));
        std::string array = "[";
        for (size_t i = 0; i < quoted.size(); ++i) array += (i > 0 ? ", " : "") + quoted[i];
        object.Add("context", array + "]");
      }
      objects.push_back(object.str());
      continue;
    }
    out << entry.en_id << '\t' << CliFlat(entry.en_title) << '\n';
    for (const std::string& line : lines) out << "  " << line << '\n';
  }
  if (o.json) out << CliJsonArray(objects);
  err << results.size() << (results.size() == 1 ? " entry found\n" : " entries found\n");
  if (stats.blocksSkipped > 0 || stats.chainDamaged) {
    err << "kdx: " << o.path << ": " << stats.blocksSkipped
        << (stats.chainDamaged ? " damaged blocks skipped and a broken chain of blocks met"
                               : " damaged blocks skipped")
        << " (see the log)\n";
  }
  if (o.remember &&
      (PREF_PrepareREZFile(kPrefREZVersion) != 1 || HICOMM_AddSearchWord(text.c_str()) != 0)) {
    err << "kdx: the search words could not be added to the search history\n";
    return kExitFailed;
  }
  return results.empty() && !o.noneOk ? kExitFailed : kExitOk;
}

}  // namespace

void AddSearchCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<SearchOptions>();
  auto* cmd = app.add_subcommand(
      "search",
      "Print the entries holding the words (identifier, tab, title), sorted as the "
      "entry list; the count goes to standard error");
  cmd->footer(
      "Exit status 0 when something was found, 1 when nothing was (as grep does; --none-ok "
      "makes it 0) or the search failed. ASCII letters match regardless of case.");
  cmd->add_option("FILE", o->path, "The document file")->required();
  cmd->add_option("WORDS", o->words, "The search words")->required();
  cmd->add_option("--mode", o->mode,
                  "phrase: the words as one text (default); all: every word; any: any word")
      ->check(CLI::IsMember({"phrase", "all", "any"}));
  AddListOption(cmd, "--in", &o->fields, "Where to search: body (default), note, title",
                "FIELD,...");
  cmd->add_flag("--context", o->context,
                "Under each entry, the lines of its text (and note) that hold the words, the "
                "words marked");
  cmd->add_flag("--none-ok", o->noneOk, "Exit with 0 also when nothing is found");
  cmd->add_flag("--json", o->json,
                "Print a JSON array of objects (id, title, and with --context the lines)");
  cmd->add_flag("--remember", o->remember, "Add the search text to the search history");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunSearch(*o, *pw, out, err);
    };
  });
}
