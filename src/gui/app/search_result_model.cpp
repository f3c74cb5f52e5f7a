#include "gui/app/search_result_model.h"

#include "core/document/catset_table.h"

KdxFoundResultModel::KdxFoundResultModel(KdxSession* session,
                                         const std::vector<KDX_FOUND_RESULT>* results,
                                         QObject* parent)
    : KdxEntryListModel(session, parent), results_(results) {}

void KdxFoundResultModel::RebuildFrom(const VELL_ARY* columnAry) {
  KDX_CATEGORY_TITLE titles{};
  (void)TI_GetData(session()->data().catTitleAry, &titles);
  Reset(CLCOMM_GetShownColumns(columnAry, titles), static_cast<int>(results_->size()));
}

int32_t KdxFoundResultModel::IdAtRow(int row) const {
  if (session()->busy() || row < 0 || row >= rowCount() ||
      static_cast<size_t>(row) >= results_->size()) {
    return -1;
  }
  return (*results_)[static_cast<size_t>(row)].en_id;
}
