// kdx search FILE WORDS...: the entries whose plain text (and on request note
// or title) holds the words, in the order of the result list.
#include <memory>
#include <ostream>
#include <string>
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

namespace {

struct SearchOptions {
  std::string path;
  std::string mode = "phrase";
  std::vector<std::string> fields;
  std::vector<std::string> words;
  bool remember = false;
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

int RunSearch(const SearchOptions& o, const CliPasswordSource& pw, std::ostream& out,
              std::ostream& err) {
  const int32_t mode = o.mode == "phrase" ? kKdxSearchPhrase
                       : o.mode == "all"  ? kKdxSearchAllWords
                                          : kKdxSearchAnyWord;
  const uint32_t fields = ParseFields(o.fields);
  if (fields == 0) {
    err << "kdx: --in takes body, note and title\n";
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
  KDX_ENTRY entry;
  for (const KDX_FOUND_RESULT& r : results) {
    if (KDX_FindEntry(data, r.en_id, &entry) < 0) continue;
    out << entry.en_id << '\t' << CliFlat(entry.en_title) << '\n';
  }
  err << results.size() << " entries found\n";
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
  return kExitOk;
}

}  // namespace

void AddSearchCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<SearchOptions>();
  auto* cmd = app.add_subcommand(
      "search",
      "Print the entries holding the words (identifier, tab, title), sorted as the "
      "entry list; the count goes to standard error");
  cmd->add_option("FILE", o->path, "The document file")->required();
  cmd->add_option("WORDS", o->words, "The search words")->required();
  cmd->add_option("--mode", o->mode,
                  "phrase: the words as one text (default); all: every word; any: any word")
      ->check(CLI::IsMember({"phrase", "all", "any"}));
  AddListOption(cmd, "--in", &o->fields, "Where to search: body (default), note, title",
                "FIELD,...");
  cmd->add_flag("--remember", o->remember, "Add the search text to the search history");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) {
      return RunSearch(*o, *pw, out, err);
    };
  });
}
