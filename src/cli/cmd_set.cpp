// kdx set and kdx edit: changing entries that exist. set writes the fields
// given on the command line; edit opens the text (or the note) in the user's
// editor and stores what comes back, as one change.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/cli_output.h"
#include "cli/cli_richtext.h"
#include "cli/commands.h"
#include "cli/kdx_cli.h"
#include "core/content/entry_content.h"
#include "core/document/records.h"
#include "core/listing/category.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_time.h"
#include "core/util/vell_utf8.h"

extern char** environ;

namespace {

// ---- set ----------------------------------------------------------------------

struct SetOptions {
  std::string path;
  std::vector<int32_t> ids;
  std::string title, cat1, cat2, cat3, label, note, noteFile;
  // Which of them were given: an empty value is a value too.
  bool hasTitle = false, hasLabel = false, hasNote = false;
  bool hasCat[3] = {false, false, false};
};

// The whole of a file, or std::nullopt after one line to err.
std::optional<std::string> ReadTextFile(const std::string& path, std::ostream& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const std::string why = CliUnreadableText(path);
    err << "kdx: " << path << ": " << (why.empty() ? "cannot be read" : why) << "\n";
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Stores text as the entry's note in the form its flag asks for; false after
// one line to err.
bool StoreNote(KdxSession& doc, const KDX_ENTRY& entry, const std::string& note,
               std::ostream& err) {
  if (KDX_NO_Save(doc.EditDirectly(), entry, PREF_ReadExpandSize(),
                  static_cast<int32_t>(note.size()), note.data()) != 0) {
    err << "kdx: " << doc.path() << ": the note of entry " << entry.en_id
        << " could not be stored; nothing was changed\n";
    return false;
  }
  return true;
}

int RunSet(const SetOptions& o, const CliPasswordSource& pw, std::ostream&, std::ostream& err) {
  if (!o.hasTitle && !o.hasLabel && !o.hasNote && !o.hasCat[0] && !o.hasCat[1] && !o.hasCat[2]) {
    err << "kdx: nothing to set: give --title, --cat1, --cat2, --cat3, --label or --note (see "
           "kdx set --help)\n";
    return kExitUsage;
  }
  std::string note = o.note;
  if (!o.noteFile.empty()) {
    std::optional<std::string> read = ReadTextFile(o.noteFile, err);
    if (!read) return kExitFailed;
    note = *read;
  }
  for (const std::string* text :
       {&o.title, &o.cat1, &o.cat2, &o.cat3, static_cast<const std::string*>(&note)}) {
    if (!Vell_IsValidUtf8(*text)) {
      err << "kdx: the title, categories and note must be UTF-8 text\n";
      return kExitUsage;
    }
  }
  KDX_ENTRY probe;
  if (o.hasTitle && (o.title.empty() || o.title.size() >= sizeof probe.en_title)) {
    err << "kdx: a title is 1 to " << sizeof probe.en_title - 1 << " bytes of text\n";
    return kExitUsage;
  }
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status != kExitOk) return status;
  std::vector<KDX_ENTRY> entries;
  if (!CliFindEntries(doc, o.ids, true, &entries, err)) return kExitFailed;
  const int32_t label = o.hasLabel ? CliFindLabel(doc.data(), o.label, err) : 0;
  if (label < 0) return kExitUsage;
  std::vector<int32_t> ids;
  for (const KDX_ENTRY& entry : entries) ids.push_back(entry.en_id);

  if (o.hasCat[0] || o.hasCat[1] || o.hasCat[2]) {
    const std::string* given[3] = {&o.cat1, &o.cat2, &o.cat3};
    std::array<std::string, 3> texts;
    for (size_t level = 0; level < 3; ++level) {
      texts[level] = o.hasCat[level] ? *given[level] : kKdxCategoryNoChange;
    }
    std::string refused;
    switch (KDXCOMM_ChangeEntryCategories(doc.EditDirectly(), ids, texts, &refused)) {
      case KdxCategoryResult::kOk:
        break;
      case KdxCategoryResult::kNotACategory:
        err << "kdx: \"" << CliFlat(refused) << "\" cannot be a category's name\n";
        return kExitUsage;
      default:
        err << "kdx: " << o.path << ": the categories could not be changed\n";
        return kExitFailed;
    }
  }
  for (int32_t id : ids) {
    KDX_ENTRY entry = *doc.FindEntry(id);  // again: the categories may have changed it
    if (o.hasTitle) Vell_Utf8CopyCut(entry.en_title, sizeof entry.en_title, o.title);
    if (o.hasLabel) entry.en_co_id = label;
    if (o.hasNote && !StoreNote(doc, entry, note, err)) return kExitFailed;
    Vell_GetCurrentTimeAsString(entry.en_update_date, kVellDateCharsSize);
    if (doc.UpdateEntry(entry) != KdxChangeResult::kOk) return kExitFailed;
  }
  return CliSaveDocument(doc, err);
}

// ---- edit ---------------------------------------------------------------------

struct EditOptions {
  std::string path;
  int32_t id = 0;
  bool note = false, force = false;
};

// A temporary file removed when it goes.
class TempTextFile {
 public:
  TempTextFile() {
    const char* folder = getenv("TMPDIR");
    path_ = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
            "/kdx-edit-XXXXXX.txt";
    const int fd = mkstemps(path_.data(), 4);
    if (fd < 0) {
      path_.clear();
    } else {
      close(fd);
    }
  }
  ~TempTextFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  TempTextFile(const TempTextFile&) = delete;
  TempTextFile& operator=(const TempTextFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// $VISUAL, else $EDITOR, else vi, run through the shell (so that it may carry
// arguments) on path; its exit status, or -1 when it could not be run.
int RunEditor(const std::string& path) {
  std::string editor = "vi";
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* value = getenv(name);
    if (value != nullptr && *value != '\0') {
      editor = value;
      break;
    }
  }
  const std::string command = editor + " \"$1\"";
  const char* argv[] = {"sh", "-c", command.c_str(), "sh", path.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
      0) {
    return -1;
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

int RunEdit(const EditOptions& o, const CliPasswordSource& pw, std::ostream&, std::ostream& err) {
  KdxSession doc;
  int status = CliOpenDocument(doc, o.path, KdxAccess::kWrite, pw, err);
  if (status != kExitOk) return status;
  std::vector<KDX_ENTRY> entries;
  if (!CliFindEntries(doc, {o.id}, true, &entries, err)) return kExitFailed;
  KDX_ENTRY entry = entries[0];
  const char* what = o.note ? "note" : "text";
  if (!o.note) {
    uint8_t* raw = nullptr;
    const int32_t size = KDX_LoadBOContainer(o.path.c_str(), entry, &raw);
    std::unique_ptr<uint8_t, void (*)(void*)> owned(raw, Vell_MallocFree);
    if (size < 0 && size != kKdxLoadMissing) {
      err << "kdx: " << o.path << ": the body of entry " << o.id << " cannot be read\n";
      return kExitFailed;
    }
    const std::string body =
        size > 0 ? std::string(reinterpret_cast<char*>(raw), static_cast<size_t>(size)) : "";
    if (!o.force && !CliBodyIsPlain(body)) {
      err << "kdx: entry " << o.id
          << " has formatting or attachments, which plain-text editing would drop; nothing was "
             "changed (--force edits it and drops them)\n";
      return kExitFailed;
    }
  }
  std::string before;
  const int32_t loaded = KDX_LoadBlockText(
      o.path.c_str(), entry, o.note ? KdxBlockKind::kNote : KdxBlockKind::kText, &before);
  if (loaded < 0 && loaded != kKdxLoadMissing) {
    err << "kdx: " << o.path << ": the " << what << " of entry " << o.id << " cannot be read\n";
    return kExitFailed;
  }
  if (!o.note) {
    // Attachments stand in the text as U+FFFC; plain text has no use for them.
    for (size_t at = before.find("\xEF\xBF\xBC"); at != std::string::npos;
         at = before.find("\xEF\xBF\xBC", at)) {
      before.erase(at, 3);
    }
  }
  TempTextFile file;
  if (file.path().empty() || !(std::ofstream(file.path(), std::ios::binary) << before)) {
    err << "kdx: a temporary file for the editor cannot be made\n";
    return kExitFailed;
  }
  const int edited = RunEditor(file.path());
  if (edited != 0) {
    err << "kdx: the editor "
        << (edited < 0 ? "could not be run" : "failed (exit " + std::to_string(edited) + ")")
        << "; nothing was changed\n";
    return kExitFailed;
  }
  std::optional<std::string> after = ReadTextFile(file.path(), err);
  if (!after) return kExitFailed;
  // Editors end the last line; a text that had no line end keeps none.
  if ((before.empty() || before.back() != '\n') && !after->empty() && after->back() == '\n') {
    after->pop_back();
  }
  if (*after == before) {
    err << "kdx: the " << what << " of entry " << o.id << " was not changed\n";
    return kExitOk;
  }
  if (!Vell_IsValidUtf8(*after)) {
    err << "kdx: the edited " << what << " is not UTF-8 text; nothing was changed\n";
    return kExitFailed;
  }
  if (o.note) {
    if (!StoreNote(doc, entry, *after, err)) return kExitFailed;
  } else {
    const CliBody body = CliBodyFromText(*after);
    KDX_DATA* data = doc.EditDirectly();
    entry.en_bo_block_size = static_cast<int32_t>(body.body.size());
    if (KDX_BO_Save(data, entry, PREF_ReadExpandSize(), entry.en_bo_block_size, body.body.data()) !=
            0 ||
        KDX_TX_Save(data, entry, PREF_ReadExpandSize(), static_cast<int32_t>(body.text.size()),
                    body.text.data()) != 0) {
      err << "kdx: " << o.path << ": the text of entry " << o.id
          << " could not be stored; nothing was changed\n";
      return kExitFailed;
    }
  }
  Vell_GetCurrentTimeAsString(entry.en_update_date, kVellDateCharsSize);
  if (doc.UpdateEntry(entry) != KdxChangeResult::kOk) return kExitFailed;
  return CliSaveDocument(doc, err);
}

}  // namespace

void AddSetCommands(CLI::App& app, KdxAction* action, const CliPasswordSource* pw) {
  {
    auto o = std::make_shared<SetOptions>();
    auto* cmd = app.add_subcommand("set", "Change the title, categories, label or note of entries");
    cmd->add_option("FILE", o->path, "The document file")->required();
    cmd->add_option("ID", o->ids, "Entry identifiers")->required();
    auto* title = cmd->add_option("--title", o->title, "The new title");
    CLI::Option* cats[3] = {
        cmd->add_option("--cat1", o->cat1, "Category of level 1 (empty: その他)"),
        cmd->add_option("--cat2", o->cat2, "Category of level 2; a level not given stays"),
        cmd->add_option("--cat3", o->cat3, "Category of level 3")};
    auto* label =
        cmd->add_option("--label", o->label, "Colour label: 0 to 7, or a label's name (kdx labels)")
            ->type_name("LABEL");
    auto* note = cmd->add_option("--note", o->note, "The new note (empty: none)");
    auto* noteFile =
        cmd->add_option("--note-file", o->noteFile, "Take the new note from this UTF-8 file")
            ->type_name("FILE")
            ->excludes(note);
    cmd->callback([=] {
      o->hasTitle = title->count() > 0;
      o->hasLabel = label->count() > 0;
      o->hasNote = note->count() > 0 || noteFile->count() > 0;
      for (size_t level = 0; level < 3; ++level) o->hasCat[level] = cats[level]->count() > 0;
      *action = [o, pw](std::ostream& out, std::ostream& err) { return RunSet(*o, *pw, out, err); };
    });
  }
  {
    auto o = std::make_shared<EditOptions>();
    auto* cmd = app.add_subcommand(
        "edit", "Edit an entry's text (or note) in $VISUAL or $EDITOR and store it back");
    cmd->footer(
        "The text is written to a temporary file, the editor is run on it, and what it leaves "
        "is stored as the entry's new text, all at once; nothing changes when the editor fails "
        "or the text comes back as it was. A body with formatting, pictures or attachments is "
        "refused, since plain text would lose them, unless --force is given.");
    cmd->add_option("FILE", o->path, "The document file")->required();
    cmd->add_option("ID", o->id, "Entry identifier")->required();
    cmd->add_flag("--note", o->note, "Edit the note instead of the text");
    cmd->add_flag("--force", o->force,
                  "Edit a body with formatting or attachments as plain text, dropping them");
    cmd->callback([action, o, pw] {
      *action = [o, pw](std::ostream& out, std::ostream& err) {
        return RunEdit(*o, *pw, out, err);
      };
    });
  }
}
