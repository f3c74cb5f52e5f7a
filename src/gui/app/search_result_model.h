// The search window's result list: one row per found result, in the order of
// the results, with the columns of the window's own column set. Cells, label
// colours and icons are the entry list's; so is the rule that a busy document
// is never read.
#pragma once

#include <vector>

#include "core/search/search_engine.h"
#include "gui/app/entry_list_model.h"

class KdxFoundResultModel : public KdxEntryListModel {
  Q_OBJECT

 public:
  // results belongs to the window and outlives the model.
  KdxFoundResultModel(KdxSession* session, const std::vector<KDX_FOUND_RESULT>* results,
                      QObject* parent = nullptr);

  // Takes the shown columns of columnAry and the results anew.
  void RebuildFrom(const VELL_ARY* columnAry);
  [[nodiscard]] int32_t IdAtRow(int row) const override;

 private:
  const std::vector<KDX_FOUND_RESULT>* results_;
};
