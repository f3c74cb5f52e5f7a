// kdx add, show, cp, rm, label, encrypt, decrypt, categories and save-as:
// working with a document's entries from the command line.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/cli_richtext.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/content/entry_content.h"
#include "core/content/entry_copy.h"
#include "core/content/new_document.h"
#include "core/document/blocks.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/entry_table.h"
#include "core/document/records.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_file.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_utf8.h"
#include "transfer/export_files.h"
#include "transfer/file_import.h"

namespace {

struct IdsOptions {
  std::string path;
  std::vector<int32_t> ids;
  CliSelection selection;
  std::string command;  // for the help it points to
};

struct RemoveOptions : IdsOptions {
  bool yes = false;
};

// The entries o names by identifier and picks by title and categories, in
// the open document; an exit status.
int FindNamedEntries(const IdsOptions& o, KdxSession& doc, bool changing,
                     std::vector<KDX_ENTRY>* entries, std::ostream& err) {
  std::vector<int32_t> ids = o.ids;
  if (!CliSelectEntries(doc, o.selection, &ids, err)) return kExitFailed;
  return CliFindEntries(doc, ids, changing, entries, err) ? kExitOk : kExitFailed;
}

// Opens the document of o and finds every entry it names; an exit status.
int OpenWithEntries(const IdsOptions& o, const CliPasswordSource& pw, KdxAccess access,
                    KdxSession& doc, std::vector<KDX_ENTRY>* entries, std::ostream& err) {
  if (o.ids.empty() && !o.selection.given()) {
    err << "kdx: give entry identifiers, or --title or --cat1 to --cat3 (see kdx " << o.command
        << " --help)\n";
    return kExitUsage;
  }
  int status = CliOpenDocument(doc, o.path, access, pw, err);
  if (status != kExitOk) return status;
  return FindNamedEntries(o, doc, access == KdxAccess::kWrite, entries, err);
}

// Lists entries on err, one "  ID<tab>TITLE" a line.
void ListEntries(const std::vector<KDX_ENTRY>& entries, std::ostream& err) {
  for (const KDX_ENTRY& entry : entries) {
    err << "  " << entry.en_id << '\t' << CliFlat(entry.en_title) << '\n';
  }
}

// ---- add --------------------------------------------------------------------

struct AddOptions {
  std::string path, title, cat1 = "その他", cat2 = "その他", cat3 = "その他", note, rtfFile;
  std::string label = "0";
  bool encrypt = false;
};

int RunAdd(const AddOptions& o, const CliPasswordSource& pw, std::ostream& out, std::ostream& err) {
  if (!Vell_IsValidUtf8(o.title) || !Vell_IsValidUtf8(o.note)) {
    err << "kdx: the title and note must be UTF-8 text\n";
    return kExitUsage;
  }
  std::optional<std::string> rtf;
  if (!o.rtfFile.empty()) {
    std::string bytes;
    const int32_t read = Vell_ReadFileUpTo(o.rtfFile.c_str(), kKdxImportMaxFileBytes, &bytes);
    if (read != 0) {
      std::string why = read == kVellReadTooLarge ? KDX_ImportFailureText(kKdxImportTooLarge)
                                                  : CliUnreadableText(o.rtfFile);
      if (why.empty()) why = CliNotAFileText(o.rtfFile);
      err << "kdx: " << o.rtfFile << ": " << (why.empty() ? "cannot be read" : why) << "\n";
      return kExitFailed;
    }
    rtf = std::move(bytes);
  }
  // The password is asked for before the body is read: both may come from
  // the terminal, and the body may be long.
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status != kExitOk) return status;
  const int32_t label = CliFindLabel(doc.data(), o.label, err);
  if (label < 0) return kExitUsage;
  CliBody body;
  if (rtf) {
    std::optional<CliBody> made = CliBodyFromRtf(*rtf);
    if (!made) {
      err << "kdx: " << o.rtfFile << ": not RTF that can be read\n";
      return kExitFailed;
    }
    body = *made;
  } else {
    std::istream& in = *pw.console->in;
    if (pw.console->inIsTerminal) {
      err << "kdx: type the text; end it with Ctrl+D at the start of a line\n";
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!Vell_IsValidUtf8(text)) {
      err << "kdx: the body must be UTF-8 text\n";
      return kExitUsage;
    }
    body = CliBodyFromText(text);
  }
  KdxNewEntry fields;
  fields.title = o.title;
  if (fields.title.empty()) {
    char fallback[512];
    PREF_ReadDefaultTitle(sizeof fallback, fallback);
    fields.title = fallback;
  }
  fields.cat1 = o.cat1;
  fields.cat2 = o.cat2;
  fields.cat3 = o.cat3;
  fields.label = label;
  fields.encrypted = o.encrypt;
  if (!o.rtfFile.empty()) fields.encoding = "RTF";
  fields.turn = PREF_ReadDefaultTurn();
  char turnWidth[32];
  PREF_ReadDefaultTurnWidth(turnWidth);
  fields.turnWidth = turnWidth;
  fields.content = KdxEntryContent{body.body, body.text, o.note};
  KDX_ENTRY entry;
  switch (doc.CreateEntry(fields, &entry)) {
    case KdxChangeResult::kOk:
      break;
    case KdxChangeResult::kNoIdentifierLeft:
      err << "kdx: " << o.path << ": no entry number is left\n";
      return kExitFailed;
    default:
      err << "kdx: " << o.path << ": the entry could not be stored\n";
      return kExitFailed;
  }
  status = CliSaveDocument(doc, err);
  if (status == kExitOk) out << entry.en_id << "\n";
  return status;
}

// ---- show -------------------------------------------------------------------

struct ShowOptions : IdsOptions {
  bool text = false, note = false, fields = false, rtf = false, json = false;
};

// Every field, "NAME<tab>VALUE" a line, or one JSON object (numbers as numbers).
void PrintFields(const KDX_ENTRY& e, bool json, std::ostream& out) {
  CliJsonObject object;
  auto row = [&](const char* name, const std::string& value, bool number = false) {
    if (json) {
      object.Add(name, number ? value : CliJsonString(value));
    } else {
      out << name << '\t' << CliFlat(value) << '\n';
    }
  };
  auto num = [](int32_t v) { return std::to_string(v); };
  row("en_id", num(e.en_id), true);
  row("en_title", e.en_title);
  row("en_cat1_name", e.en_cat1_name);
  row("en_cat2_name", e.en_cat2_name);
  row("en_cat3_name", e.en_cat3_name);
  row("en_co_id", num(e.en_co_id), true);
  row("en_create_date", e.en_create_date);
  row("en_update_date", e.en_update_date);
  row("en_last_opened_date", e.en_last_opened_date);
  row("en_use_date", e.en_use_date);
  row("en_bo_block_size", num(e.en_bo_block_size), true);
  row("en_encode", e.en_encode);
  row("en_encrypt", num(e.en_encrypt), true);
  row("en_bo_encrypt", num(e.en_bo_encrypt), true);
  row("en_no_encrypt", num(e.en_no_encrypt), true);
  row("en_ft_id", num(e.en_ft_id), true);
  row("en_pr_id", num(e.en_pr_id), true);
  row("en_file_path", e.en_file_path);
  row("en_turn", num(e.en_turn), true);
  row("en_turn_width", e.en_turn_width);
  row("en_detail_toggle", num(e.en_detail_toggle), true);
  row("en_window_position", num(e.en_window_position_left) + "," + num(e.en_window_position_top) +
                                "," + num(e.en_window_position_right) + "," +
                                num(e.en_window_position_bottom));
  row("en_window_z_index", num(e.en_window_z_index), true);
  row("en_focus_item", num(e.en_focus_item), true);
  row("en_body_scroll_position", num(e.en_body_scroll_position), true);
  row("en_body_caret_position", num(e.en_body_caret_position), true);
  row("en_body_selection", num(e.en_body_selection_start) + "," + num(e.en_body_selection_end));
  row("en_is_select_entrylist", num(e.en_is_select_entrylist ? 1 : 0), true);
  row("en_create_os", e.en_create_os);
  row("en_update_os", e.en_update_os);
  row("en_create_machine_name", e.en_create_machine_name);
  row("en_update_machine_name", e.en_update_machine_name);
  if (json) out << object.str() << '\n';
}

int RunShow(const ShowOptions& o, const CliPasswordSource& pw, std::ostream& out,
            std::ostream& err) {
  KdxSession doc;
  std::vector<KDX_ENTRY> entries;
  int status = OpenWithEntries(o, pw, KdxAccess::kRead, doc, &entries, err);
  if (status != kExitOk) return status;
  if (entries.size() > 1) {
    err << "kdx: " << o.path << ": " << entries.size()
        << " entries match; show takes one (give its identifier):\n";
    ListEntries(entries, err);
    return kExitFailed;
  }
  const KDX_ENTRY& entry = entries[0];
  const int32_t id = entry.en_id;
  if (o.fields) {
    PrintFields(entry, o.json, out);
    return kExitOk;
  }
  if (o.rtf) {
    // Looked at before loading: a body past the bound (no import makes one)
    // is not converted in several times its size of memory.
    if (const int64_t stored = BO_GetContainerSize(o.path.c_str(), id);
        stored > kKdxMaxConvertedBodyBytes) {
      err << "kdx: " << o.path << ": the body of entry " << id << " is too large to convert ("
          << stored / (1024 * 1024) << " MiB)\n";
      return kExitFailed;
    }
    uint8_t* raw = nullptr;
    int32_t size = KDX_LoadBOContainer(o.path.c_str(), entry, &raw);
    std::unique_ptr<uint8_t, void (*)(void*)> owned(raw, Vell_MallocFree);
    std::optional<std::string> rtf;
    if (size >= 0 || size == kKdxLoadMissing) {
      rtf = CliBodyToRtf(
          size > 0 ? std::string_view(reinterpret_cast<char*>(raw), static_cast<size_t>(size))
                   : std::string_view());
    }
    if (!rtf) {
      err << "kdx: " << o.path << ": the body of entry " << id << " cannot be read\n";
      return kExitFailed;
    }
    out << *rtf;
    return kExitOk;
  }
  std::string text;
  const int32_t size = KDX_LoadBlockText(o.path.c_str(), entry,
                                         o.note ? KdxBlockKind::kNote : KdxBlockKind::kText, &text);
  if (size < 0 && size != kKdxLoadMissing) {
    err << "kdx: " << o.path << ": the " << (o.note ? "note" : "text") << " of entry " << id
        << " cannot be read\n";
    return kExitFailed;
  }
  out << text;
  if (!text.empty() && text.back() != '\n') out << '\n';
  return kExitOk;
}

// ---- cp, rm, label, encrypt, decrypt --------------------------------------------

int RunCopy(const IdsOptions& o, const CliPasswordSource& pw, std::ostream& out,
            std::ostream& err) {
  KdxSession doc;
  std::vector<KDX_ENTRY> entries;
  int status = OpenWithEntries(o, pw, KdxAccess::kWrite, doc, &entries, err);
  if (status != kExitOk) return status;
  int result = kExitOk;
  for (const KDX_ENTRY& entry : entries) {
    KDX_ENTRY copy;
    const KdxChangeResult copied = doc.CopyEntry(entry.en_id, &copy);
    if (copied != KdxChangeResult::kOk && copied != KdxChangeResult::kTitleKeptAsSource) {
      err << "kdx: " << o.path << ": entry " << entry.en_id << " could not be copied\n";
      result = kExitFailed;
      continue;
    }
    if (copied == KdxChangeResult::kTitleKeptAsSource) {
      err << "kdx: " << kKdxMsgCopyTitleTooLong << "\n";
    }
    out << entry.en_id << '\t' << copy.en_id << '\n';
  }
  status = CliSaveDocument(doc, err);
  return status != kExitOk ? status : result;
}

int RunRemove(const RemoveOptions& o, const CliPasswordSource& pw, std::ostream&,
              std::ostream& err) {
  KdxSession doc;
  std::vector<KDX_ENTRY> entries;
  int status = OpenWithEntries(o, pw, KdxAccess::kWrite, doc, &entries, err);
  if (status != kExitOk) return status;
  // Entries picked by title or category may be more than meant.
  // At a terminal the person is asked; a script says --yes.
  if (o.selection.given() && entries.size() > 1 && !o.yes) {
    std::ostringstream question;
    question << "kdx: " << CliFlat(o.path) << ": " << entries.size() << " entries match:\n";
    ListEntries(entries, question);
    question << "Remove " << entries.size() << " entries? [y/N] ";
    std::string answer;
    if (pw.console == nullptr || !pw.console->askQuestion ||
        !pw.console->askQuestion(question.str(), &answer)) {
      err << "kdx: " << CliFlat(o.path) << ": " << entries.size()
          << " entries match; nothing was removed (--yes removes them all):\n";
      ListEntries(entries, err);
      return kExitFailed;
    }
    if (answer != "y" && answer != "Y" && answer != "yes" && answer != "Yes" && answer != "YES") {
      err << "kdx: " << CliFlat(o.path) << ": nothing was removed\n";
      return kExitFailed;
    }
  }
  int result = kExitOk;
  for (const KDX_ENTRY& entry : entries) {
    if (doc.RemoveEntry(entry.en_id) != KdxChangeResult::kOk) {
      err << "kdx: " << o.path << ": entry " << entry.en_id << " could not be removed\n";
      result = kExitFailed;
    }
  }
  status = CliSaveDocument(doc, err);
  return status != kExitOk ? status : result;
}

struct LabelOptions : IdsOptions {
  std::string label;
};

int RunLabel(const LabelOptions& o, const CliPasswordSource& pw, std::ostream&, std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status != kExitOk) return status;
  const int32_t label = CliFindLabel(doc.data(), o.label, err);
  if (label < 0) return kExitUsage;
  std::vector<KDX_ENTRY> entries;
  if (FindNamedEntries(o, doc, true, &entries, err) != kExitOk) return kExitFailed;
  for (KDX_ENTRY& entry : entries) {
    entry.en_co_id = label;
    if (doc.UpdateEntry(entry) != KdxChangeResult::kOk) return kExitFailed;
  }
  return CliSaveDocument(doc, err);
}

int RunSwitch(const IdsOptions& o, bool encrypt, const CliPasswordSource& pw, std::ostream&,
              std::ostream& err) {
  KdxSession doc;
  std::vector<KDX_ENTRY> entries;
  int status = OpenWithEntries(o, pw, KdxAccess::kWrite, doc, &entries, err);
  if (status != kExitOk) return status;
  int result = kExitOk;
  for (const KDX_ENTRY& entry : entries) {
    const KdxChangeResult switched = doc.SetEncrypted(entry.en_id, encrypt);
    if (switched == KdxChangeResult::kUnchanged) {
      err << "kdx: entry " << entry.en_id
          << (encrypt ? " is encrypted already" : " is not encrypted") << "; nothing to do\n";
    } else if (switched != KdxChangeResult::kOk) {
      err << "kdx: " << o.path << ": entry " << entry.en_id << " could not be "
          << (encrypt ? "encrypted" : "decrypted") << "; it is left as it was\n";
      result = kExitFailed;
    }
  }
  return result;
}

// ---- categories, save-as ----------------------------------------------------------

struct CategoriesOptions {
  std::string path;
  bool json = false, noHeader = false;
};

// The titles of the three levels on the first line, then one set a line; or
// JSON: {"titles": [...], "sets": [[...], ...]}.
int RunCategories(const CategoriesOptions& o, const CliPasswordSource& pw, std::ostream& out,
                  std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status != kExitOk) return status;
  const KDX_DATA* data = &doc.data();
  // An open document always has its title record (the load makes the default
  // one in place of a damaged table); without it the titles are empty.
  KDX_CATEGORY_TITLE titles;
  static_cast<void>(TI_GetData(data->catTitleAry, &titles));
  auto line = [&o](const char* a, const char* b, const char* c) {
    return o.json ? "[" + CliJsonString(a) + ", " + CliJsonString(b) + ", " + CliJsonString(c) + "]"
                  : CliFlat(a) + '\t' + CliFlat(b) + '\t' + CliFlat(c) + '\n';
  };
  std::vector<std::string> sets;
  for (int32_t i = 0; i < data->catSetAry->count; ++i) {
    KDX_CATSET set;
    CT_GetData_ByIndex(data->catSetAry, i, &set);
    sets.push_back(line(set.ct_cat1_name, set.ct_cat2_name, set.ct_cat3_name));
  }
  const std::string header = line(titles.ti_cat1_title, titles.ti_cat2_title, titles.ti_cat3_title);
  if (o.json) {
    std::string array = CliJsonArray(sets);
    array.pop_back();  // its line end
    out << "{\"titles\": " << header << ", \"sets\": " << array << "}\n";
    return kExitOk;
  }
  if (!o.noHeader) out << header;
  for (const std::string& set : sets) out << set;
  return kExitOk;
}

struct SaveAsOptions {
  std::string path, target;
  std::vector<int32_t> ids;
};

int RunSaveAs(const SaveAsOptions& o, const CliPasswordSource& pw, std::ostream& out,
              std::ostream& err) {
  if (Vell_IsFileExists(o.target.c_str())) {
    err << "kdx: " << o.target << ": exists already (kdx never overwrites a file)\n";
    return kExitFailed;
  }
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kRead, pw, err);
  if (status != kExitOk) return status;
  std::vector<int32_t> ids = o.ids.empty() ? doc.EntryIds() : o.ids;
  std::vector<KDX_ENTRY> entries;
  if (!CliFindEntries(doc, ids, false, &entries, err)) return kExitFailed;
  ids.clear();
  for (const KDX_ENTRY& entry : entries) ids.push_back(entry.en_id);
  // Only the list in memory changes: the session is read-only.
  KDX_DATA* data = doc.EditDirectly();
  data->showIDAry = ids;
  KDX_NEW_SAVE_OPTIONS options{};
  options.recordType = 1;
  options.isUnusedCategory = 1;
  options.isCatTitle = 1;
  options.isColorLabel = 1;
  if (KDX_NewSaveFile_ShowEntry(data, options, o.target.c_str(), PREF_ReadExpandSize()) != 0) {
    err << "kdx: " << o.target << ": " << CliCannotCreateText(o.target) << "\n";
    return kExitFailed;
  }
  out << CliFlat(o.target) << '\t' << ids.size() << (ids.size() == 1 ? " entry\n" : " entries\n");
  return kExitOk;
}

// ---- registration ---------------------------------------------------------------

template <typename Options, typename Run>
void Register(CLI::App* cmd, KdxAction* action, std::shared_ptr<Options> options, Run run) {
  cmd->callback([action, options, run] {
    *action = [options, run](std::ostream& out, std::ostream& err) {
      return run(*options, out, err);
    };
  });
}

CLI::App* IdsCommand(CLI::App& app, const char* name, const char* help, IdsOptions* o) {
  auto* cmd = app.add_subcommand(name, help);
  o->command = name;
  cmd->add_option("FILE", o->path, "The document file")->required();
  cmd->add_option("ID", o->ids, "Entry identifiers (or pick entries with --title, --cat1...)");
  CliAddSelectionOptions(cmd, &o->selection);
  return cmd;
}

}  // namespace

void AddEntryCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  {
    auto o = std::make_shared<AddOptions>();
    auto* cmd =
        app.add_subcommand("add", "Add an entry whose body is read from standard input (UTF-8)");
    cmd->footer(
        "When the document has a password, it is asked for at the terminal first; then the "
        "body is read. Typing the body at the terminal, end it with Ctrl+D at the start of a "
        "line.");
    cmd->add_option("FILE", o->path, "The document file")->required();
    cmd->add_option("--title", o->title, "The title (default: the preference's default title)");
    cmd->add_option("--cat1", o->cat1, "Category of level 1")->capture_default_str();
    cmd->add_option("--cat2", o->cat2, "Category of level 2")->capture_default_str();
    cmd->add_option("--cat3", o->cat3, "Category of level 3")->capture_default_str();
    cmd->add_option("--label", o->label, "Colour label: 0 to 7, or a label's name (kdx labels)")
        ->type_name("LABEL");
    cmd->add_option("--note", o->note, "The note");
    cmd->add_flag("--encrypt", o->encrypt, "Store the entry encrypted");
    cmd->add_option("--rtf", o->rtfFile,
                    "Take the body from this RTF file instead of standard input")
        ->type_name("FILE");
    Register(cmd, action, o, [pw](const AddOptions& opt, std::ostream& out, std::ostream& err) {
      return RunAdd(opt, *pw, out, err);
    });
  }
  {
    auto o = std::make_shared<ShowOptions>();
    auto* cmd =
        IdsCommand(app, "show", "Print an entry's plain text, its note or its fields", o.get());
    cmd->get_option("ID")->expected(0, 1);
    auto* text = cmd->add_flag("--text", o->text, "The plain text of the body (the default)");
    auto* note = cmd->add_flag("--note", o->note, "The note");
    auto* fields = cmd->add_flag("--fields", o->fields, "Every field of the entry record");
    auto* rtf = cmd->add_flag("--rtf", o->rtf, "The body as RTF, pictures embedded");
    cmd->add_flag("--json", o->json, "With --fields: one JSON object")->needs(fields);
    text->excludes(note)->excludes(fields)->excludes(rtf);
    note->excludes(fields)->excludes(rtf);
    fields->excludes(rtf);
    Register(cmd, action, o, [pw](const ShowOptions& opt, std::ostream& out, std::ostream& err) {
      return RunShow(opt, *pw, out, err);
    });
  }
  {
    auto o = std::make_shared<IdsOptions>();
    auto* cmd =
        IdsCommand(app, "cp", "Copy entries; prints each identifier and its copy's", o.get());
    Register(cmd, action, o, [pw](const IdsOptions& opt, std::ostream& out, std::ostream& err) {
      return RunCopy(opt, *pw, out, err);
    });
  }
  {
    auto o = std::make_shared<RemoveOptions>();
    auto* cmd = IdsCommand(app, "rm", "Delete entries with their body, text and note", o.get());
    cmd->add_flag("--yes", o->yes,
                  "Remove every entry --title or --cat1... picks without asking; when several "
                  "match, kdx asks at a terminal and refuses elsewhere unless given this");
    Register(cmd, action, o, [pw](const RemoveOptions& opt, std::ostream& out, std::ostream& err) {
      return RunRemove(opt, *pw, out, err);
    });
  }
  {
    auto o = std::make_shared<LabelOptions>();
    auto* cmd = IdsCommand(app, "label", "Give entries a colour label", o.get());
    cmd->add_option("--set", o->label, "The label: 0 to 7, or a label's name")->required();
    Register(cmd, action, o, [pw](const LabelOptions& opt, std::ostream& out, std::ostream& err) {
      return RunLabel(opt, *pw, out, err);
    });
  }
  for (bool encrypt : {true, false}) {
    auto o = std::make_shared<IdsOptions>();
    auto* cmd = IdsCommand(app, encrypt ? "encrypt" : "decrypt",
                           encrypt ? "Store entries enciphered (title, body, text and note)"
                                   : "Store enciphered entries in plain form again",
                           o.get());
    cmd->footer(
        "What encryption protects against: an enciphered entry cannot be read in the file "
        "itself, by another program, a search of the disk or a look at a copy. It does not "
        "keep it from anyone who has Kardinex or kdx: the key is one built into the program, "
        "the same in every copy, and no password is needed to read the entry (the document "
        "password of kdx passwd is a gate in the program, not a key).\n"
        "An entry already in the state asked for is left as it is, with a note; that is no "
        "failure.");
    Register(cmd, action, o,
             [pw, encrypt](const IdsOptions& opt, std::ostream& out, std::ostream& err) {
               return RunSwitch(opt, encrypt, *pw, out, err);
             });
  }
  {
    auto o = std::make_shared<CategoriesOptions>();
    auto* cmd = app.add_subcommand(
        "categories",
        "List the category sets, one per line, after a line with the titles of the levels");
    cmd->add_option("FILE", o->path, "The document file")->required();
    CliAddOutputFlags(cmd, &o->json, &o->noHeader);
    Register(cmd, action, o,
             [pw](const CategoriesOptions& opt, std::ostream& out, std::ostream& err) {
               return RunCategories(opt, *pw, out, err);
             });
  }
  {
    auto o = std::make_shared<SaveAsOptions>();
    auto* cmd = app.add_subcommand(
        "save-as", "Write entries (all, or those given) to a new document with their content");
    cmd->add_option("FILE", o->path, "The document file")->required();
    cmd->add_option("NEW", o->target, "The new document (must not exist)")->required();
    AddListOption(cmd, "--ids", &o->ids, "Only these entries", "ID,...");
    Register(cmd, action, o, [pw](const SaveAsOptions& opt, std::ostream& out, std::ostream& err) {
      return RunSaveAs(opt, *pw, out, err);
    });
  }
}

void CliAddSelectionOptions(CLI::App* cmd, CliSelection* selection) {
  cmd->add_option("--title", selection->title, "Also the entries with exactly this title")
      ->type_name("TITLE");
  for (size_t level = 0; level < 3; ++level) {
    const std::string name = "--cat" + std::to_string(level + 1);
    cmd->add_option(name, selection->cats[level],
                    level == 0 ? "Also the entries of this category of level 1 (with --title: "
                                 "both must match)"
                               : "... of level " + std::to_string(level + 1))
        ->type_name("NAME");
  }
}
