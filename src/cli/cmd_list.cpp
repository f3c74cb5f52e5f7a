// kdx list FILE: the entry list as the document window shows it, with its
// category filter, its sort keys and its shown columns unless overridden;
// tab-separated with a header line.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/content/entry_content.h"
#include "core/document/catset_table.h"
#include "core/document/entry_table.h"
#include "core/document/records.h"
#include "core/listing/category.h"
#include "core/listing/entry_list.h"
#include "core/listing/list_columns.h"

namespace {

struct ListOptions {
  std::string path, cat1, cat2, cat3;
  std::vector<std::string> columns;
  std::vector<std::string> sort;
};

// "COLUMN" or "COLUMN:asc" / "COLUMN:desc" into a kind and a direction.
bool ParseSortKey(const std::string& text, int32_t* kind, int32_t* ascending) {
  std::string name = text;
  *ascending = 1;
  size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    std::string direction = text.substr(colon + 1);
    name = text.substr(0, colon);
    if (direction == "desc") {
      *ascending = 0;
    } else if (direction != "asc") {
      return false;
    }
  }
  *kind = KDXCOMM_GetColumnKind(name);
  return *kind >= 0;
}

int RunList(const ListOptions& o, const CliPasswordSource& pw, std::ostream& out,
            std::ostream& err) {
  KDX_SORT_INFO keys{{1, -1, -1}, {0, 0, 0}};
  if (o.sort.size() > 3) {
    err << "kdx: at most three sort keys\n";
    return kExitUsage;
  }
  for (size_t i = 0; i < o.sort.size(); ++i) {
    if (!ParseSortKey(o.sort[i], &keys.key[i], &keys.ascending[i])) {
      err << "kdx: \"" << o.sort[i] << "\" is not a column (see kdx list --help)\n";
      return kExitUsage;
    }
  }
  for (const std::string& column : o.columns) {
    if (KDXCOMM_GetColumnKind(column) < 0) {
      err << "kdx: \"" << column << "\" is not a column (see kdx list --help)\n";
      return kExitUsage;
    }
  }
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status != kExitOk) return status;
  const KDX_DATA* data = &doc.data();

  std::vector<std::string> cats;
  if (!o.cat1.empty()) cats = {o.cat1, o.cat2, o.cat3};
  // An unknown category would list nothing, or (for the document's stored
  // selection) everything: a script piping the list into kdx rm must hear of it.
  if (!cats.empty() && !CliHasCategories(doc, cats, err)) return kExitFailed;
  status = CliReloadList(doc, err, cats, o.sort.empty() ? nullptr : &keys);

  if (status != kExitOk) return status;
  KdxNoteReader notes = doc.NoteReader();

  // Without a title record (zeroed) the category columns' titles are empty,
  // as is the title of an unknown column.
  KDX_CATEGORY_TITLE titles;
  static_cast<void>(TI_GetData(data->catTitleAry, &titles));
  std::vector<std::string> identifiers = o.columns;
  if (identifiers.empty()) {
    for (const KdxListColumn& column : CLCOMM_GetShownColumns(data->columnAry, titles)) {
      identifiers.push_back(column.identifier);
    }
  }
  std::string line;
  for (size_t c = 0; c < identifiers.size(); ++c) {
    std::string title;
    static_cast<void>(CLCOMM_GetColumnHeaderTitle(titles, identifiers[c], &title));
    line += (c > 0 ? "\t" : "") + CliFlat(title);
  }
  out << line << '\n';
  int missing = 0;
  for (int32_t id : data->showIDAry) {
    KDX_ENTRY entry;
    if (KDX_FindEntry(data, id, &entry) < 0) {
      ++missing;
      continue;
    }
    line.clear();
    for (size_t c = 0; c < identifiers.size(); ++c) {
      if (c > 0) line += '\t';
      line += CliFlat(KDX_GetEntryListViewItem(*data, entry, identifiers[c], notes).text);
    }
    out << line << '\n';
  }
  if (missing > 0) {
    err << "kdx: " << o.path << ": some listed entries could not be found (see the log)\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

void AddListCommand(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  auto o = std::make_shared<ListOptions>();
  auto* cmd = app.add_subcommand(
      "list", "Print the entry list as the document window shows it, tab-separated");
  cmd->add_option("FILE", o->path, "The document file")->required();
  auto* cat1 = cmd->add_option("--cat1", o->cat1, "Show only this category of level 1");
  auto* cat2 = cmd->add_option("--cat2", o->cat2, "... and of level 2")->needs(cat1);
  cmd->add_option("--cat3", o->cat3, "... and of level 3")->needs(cat2);
  AddListOption(cmd, "--columns", &o->columns,
                "Columns to print, by identifier: en_ft_id en_id en_title en_cat1_name "
                "en_cat2_name en_cat3_name en_create_date en_update_date en_last_opened_date "
                "en_use_date en_bo_block_size en_encoding en_encrpyt en_file_path en_note "
                "en_co_id en_create_os en_update_os en_create_machine_name "
                "en_update_machine_name",
                "COLUMN,...");
  AddListOption(cmd, "--sort", &o->sort, "Up to three sort keys", "COLUMN[:asc|desc],...");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) { return RunList(*o, *pw, out, err); };
  });
}
