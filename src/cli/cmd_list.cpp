// kdx list FILE: the entry list as the document window shows it, with its
// category filter, its sort keys and its shown columns unless overridden;
// tab-separated with a header line, or JSON.
#include <array>
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
#include "core/document/column_table.h"
#include "core/document/entry_table.h"
#include "core/document/records.h"
#include "core/listing/category.h"
#include "core/listing/entry_list.h"
#include "core/listing/list_columns.h"

namespace {

// The short names kdx accepts besides the stored identifiers, by column kind;
// --json uses them as keys.
constexpr std::array<const char*, kKdxColumnKindCount> kColumnNames = {
    "type",    "id",     "title",      "cat1",       "cat2",       "cat3",      "created",
    "updated", "opened", "used",       "size",       "encoding",   "encrypted", "path",
    "note",    "label",  "created-os", "updated-os", "created-on", "updated-on"};

// The kind a short name or an identifier names, else -1.
int32_t ColumnKind(const std::string& name) {
  for (size_t kind = 0; kind < kColumnNames.size(); ++kind) {
    if (name == kColumnNames[kind]) return static_cast<int32_t>(kind);
  }
  return KDXCOMM_GetColumnKind(name);
}

struct ListOptions {
  std::string path, cat1, cat2, cat3;
  std::vector<std::string> columns;
  std::vector<std::string> sort;
  bool json = false, noHeader = false;
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
  *kind = ColumnKind(name);
  return *kind >= 0;
}

int RunList(const ListOptions& o, const CliPasswordSource& pw, std::ostream& out,
            std::ostream& err) {
  KDX_SORT_INFO keys{{1, -1, -1}, {0, 0, 0}};
  if (o.sort.size() > 3) {
    err << "kdx: at most three sort keys (see kdx list --help)\n";
    return kExitUsage;
  }
  for (size_t i = 0; i < o.sort.size(); ++i) {
    if (!ParseSortKey(o.sort[i], &keys.key[i], &keys.ascending[i])) {
      err << "kdx: \"" << o.sort[i] << "\" is not a column (see kdx list --help)\n";
      return kExitUsage;
    }
  }
  std::vector<int32_t> kinds;
  for (const std::string& column : o.columns) {
    kinds.push_back(ColumnKind(column));
    if (kinds.back() < 0) {
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
  if (kinds.empty()) {
    for (const KdxListColumn& column : CLCOMM_GetShownColumns(data->columnAry, titles)) {
      kinds.push_back(KDXCOMM_GetColumnKind(column.identifier));
    }
  }
  std::vector<std::string> identifiers;
  for (int32_t kind : kinds) identifiers.emplace_back(KDXCOMM_GetColumnKindIdentifier(kind));
  std::string line;
  if (!o.json && !o.noHeader) {
    for (size_t c = 0; c < identifiers.size(); ++c) {
      std::string title;
      static_cast<void>(CLCOMM_GetColumnHeaderTitle(titles, identifiers[c], &title));
      line += (c > 0 ? "\t" : "") + CliFlat(title);
    }
    out << line << '\n';
  }
  int missing = 0;
  std::vector<std::string> objects;
  for (int32_t id : data->showIDAry) {
    KDX_ENTRY entry;
    if (KDX_FindEntry(data, id, &entry) < 0) {
      ++missing;
      continue;
    }
    line.clear();
    CliJsonObject object;
    for (size_t c = 0; c < identifiers.size(); ++c) {
      const std::string cell = KDX_GetEntryListViewItem(*data, entry, identifiers[c], notes).text;
      if (o.json) {
        const char* name = kColumnNames[static_cast<size_t>(kinds[c])];
        if (identifiers[c] == "en_id") {
          object.AddNumber(name, entry.en_id);
        } else {
          object.AddText(name, cell);
        }
      } else {
        line += (c > 0 ? "\t" : "") + CliFlat(cell);
      }
    }
    if (o.json) {
      objects.push_back(object.str());
    } else {
      out << line << '\n';
    }
  }
  if (o.json) out << CliJsonArray(objects);
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
                "Columns to print (default: those the document window shows), by name or "
                "stored identifier: type (en_ft_id), id (en_id), title (en_title), cat1 "
                "(en_cat1_name), cat2, cat3, created (en_create_date), updated "
                "(en_update_date), opened (en_last_opened_date), used (en_use_date), size "
                "(en_bo_block_size), encoding (en_encoding), encrypted (en_encrpyt), path "
                "(en_file_path), note (en_note), label (en_co_id), created-os (en_create_os), "
                "updated-os, created-on (en_create_machine_name), updated-on",
                "COLUMN,...");
  AddListOption(cmd, "--sort", &o->sort, "Up to three sort keys", "COLUMN[:asc|desc],...");
  CliAddOutputFlags(cmd, &o->json, &o->noHeader);
  cmd->footer(
      "--json prints one object per entry with the columns' names as keys (id a number, the "
      "rest text as the columns show it, tabs and line breaks kept).");
  cmd->callback([action, o, pw] {
    *action = [o, pw](std::ostream& out, std::ostream& err) { return RunList(*o, *pw, out, err); };
  });
}
