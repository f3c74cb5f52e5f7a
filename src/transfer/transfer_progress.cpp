#include "transfer/transfer_progress.h"

#include <algorithm>
#include <memory>

bool KdxCheckpointedImport::Stored(const std::string& item, int32_t id) {
  ++result_->succeeded;
  if (importedIds_ != nullptr) importedIds_->push_back(id);
  pending_.push_back(item);
  switch (progress_.Checkpoint(false)) {
    case KdxCheckpoint::kLater:
      return true;
    case KdxCheckpoint::kSaved:
      pending_.clear();
      return true;
    case KdxCheckpoint::kFailed:
      break;
  }
  Lost();
  return false;
}

void KdxCheckpointedImport::Finish() {
  if (!pending_.empty() && progress_.Checkpoint(true) == KdxCheckpoint::kFailed) Lost();
  pending_.clear();
}

void KdxCheckpointedImport::Lost() {
  result_->succeeded -= static_cast<int64_t>(pending_.size());
  if (importedIds_ != nullptr) {
    importedIds_->resize(importedIds_->size() - std::min(importedIds_->size(), pending_.size()));
  }
  for (const std::string& item : pending_) {
    result_->Fail(item, "not saved: the document could not be written");
  }
  pending_.clear();
  result_->cancelled = true;  // nothing more goes in
}

std::function<KdxCheckpoint(bool last)> KdxSaveEvery(int64_t every, std::function<int32_t()> save,
                                                     bool* saveFailed) {
  auto sinceSave = std::make_shared<int64_t>(0);
  return [every, save = std::move(save), saveFailed, sinceSave](bool last) {
    if (!last && ++*sinceSave < every) return KdxCheckpoint::kLater;
    *sinceSave = 0;
    if (save() == 0) return KdxCheckpoint::kSaved;
    *saveFailed = true;
    return KdxCheckpoint::kFailed;
  };
}
