#include "core/document/project.h"

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_utf8.h"

using kdx_table::AttachmentTable;
using kdx_table::ProjectTable;

namespace {

int CompareSortOrder(const void* a, const void* b) {
  KDX_PROJECT pa, pb;
  KDX_GetKdxProject(static_cast<const uint8_t*>(a), &pa);
  KDX_GetKdxProject(static_cast<const uint8_t*>(b), &pb);
  return (pa.pr_sort_order > pb.pr_sort_order) - (pa.pr_sort_order < pb.pr_sort_order);
}

}  // namespace

int32_t PR_SetName(VELL_ARY* projectAry, VELL_ARY* idCounterAry, const char* name) {
  if (name == nullptr) return kKdxFailed;
  if (PR_FindData_ByName(projectAry, name, nullptr) >= 0) return 1;
  KDX_PROJECT p{};
  p.pr_id = IC_GetID_FromCounter(idCounterAry, kKdxTagPROJ, "pr_id");
  if (p.pr_id < 0) return kKdxFailed;
  kdx_layout::SetCreatedNow(p.pr_create_date, p.pr_update_date);
  Vell_Utf8CopyCut(p.pr_name, sizeof p.pr_name, name);
  p.pr_sort_order = PR_GetUniqueSortOrder(projectAry);
  return PR_AddData(projectAry, p) == 0 ? 0 : kKdxFailed;
}

int32_t PR_AddData(VELL_ARY* projectAry, const KDX_PROJECT& project) {
  if (ProjectTable::Add(projectAry, project) != 0) return kKdxFailed;
  Vell_Ary_QuickSort(projectAry, CompareSortOrder);
  return 0;
}

int32_t PR_GetUniqueSortOrder(const VELL_ARY* projectAry) {
  int32_t highest = -1;
  ProjectTable::ForEach(projectAry, [&](const KDX_PROJECT& p, int32_t) {
    if (p.pr_sort_order > highest) highest = p.pr_sort_order;
  });
  return highest < INT32_MAX ? highest + 1 : highest;
}

int32_t PR_IsProjectExists(const VELL_ARY* projectAry, const KDX_PROJECT& project) {
  const int32_t index = ProjectTable::Find(projectAry, [&](const KDX_PROJECT& p) {
    return p.pr_id != project.pr_id && std::strcmp(p.pr_name, project.pr_name) == 0;
  });
  return index >= 0 ? 1 : 0;
}

int32_t PR_GetID_ByName(const VELL_ARY* projectAry, const char* name) {
  KDX_PROJECT p;
  return PR_FindData_ByName(projectAry, name, &p) >= 0 ? p.pr_id : 0;
}

int32_t PR_FindData_ByName(const VELL_ARY* projectAry, const char* name, KDX_PROJECT* project) {
  if (name == nullptr) return -1;
  return ProjectTable::Find(
      projectAry, [name](const KDX_PROJECT& p) { return std::strcmp(p.pr_name, name) == 0; },
      project);
}

int32_t PR_GetData(const VELL_ARY* projectAry, int32_t id, KDX_PROJECT* project) {
  return ProjectTable::IndexOf(projectAry, id, project);
}

int32_t PR_FindIndex_ByID(const VELL_ARY* projectAry, int32_t id) {
  return ProjectTable::IndexOf(projectAry, id);
}

void PR_GetData_ByIndex(const VELL_ARY* projectAry, int32_t index, KDX_PROJECT* project) {
  ProjectTable::At(projectAry, index, project);
}

void PR_SetData_ByIndex(VELL_ARY* projectAry, int32_t index, const KDX_PROJECT& project) {
  ProjectTable::Put(projectAry, index, project);
}

void PR_Remove_ByIndex(VELL_ARY* projectAry, int32_t index) { Vell_Ary_Remove(projectAry, index); }

void AT_GetDefaultData(KDX_ATTACHMENT* attachment) {
  std::memset(attachment, 0, sizeof *attachment);
  kdx_layout::SetCreatedNow(attachment->at_create_date, attachment->at_update_date);
}

int32_t AT_AddData(VELL_ARY* attachmentAry, const KDX_ATTACHMENT& attachment) {
  return AttachmentTable::Add(attachmentAry, attachment);
}

int32_t AT_GetData(const VELL_ARY* attachmentAry, int32_t id, KDX_ATTACHMENT* attachment) {
  const int32_t index = AttachmentTable::IndexOf(attachmentAry, id, attachment);
  return index < 0 ? kKdxRecordMissing : index;
}

int32_t AT_SetData(VELL_ARY* attachmentAry, const KDX_ATTACHMENT& attachment) {
  return AttachmentTable::Replace(attachmentAry, attachment) < 0 ? kKdxRecordMissing : 0;
}

int32_t AT_FindIndex_ByID(const VELL_ARY* attachmentAry, int32_t id) {
  return AttachmentTable::IndexOf(attachmentAry, id);
}

void AT_GetData_ByIndex(const VELL_ARY* attachmentAry, int32_t index, KDX_ATTACHMENT* attachment) {
  AttachmentTable::At(attachmentAry, index, attachment);
}
