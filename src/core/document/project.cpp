#include "core/document/project.h"

#include <cstring>

#include "core/document/id_counter.h"
#include "core/document/record_layout.h"
#include "core/util/vell_utf8.h"

namespace {

const uint8_t* StoredAt(const VELL_ARY* ary, int32_t index) {
  return static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, index));
}

int CompareSortOrder(const void* a, const void* b) {
  KDX_PROJECT pa, pb;
  KDX_GetKdxProject(static_cast<const uint8_t*>(a), &pa);
  KDX_GetKdxProject(static_cast<const uint8_t*>(b), &pb);
  return (pa.pr_sort_order > pb.pr_sort_order) - (pa.pr_sort_order < pb.pr_sort_order);
}

}  // namespace

int32_t PR_SetName(VELL_ARY* projectAry, VELL_ARY* idCounterAry, const char* name) {
  if (name == nullptr) return -1;
  if (PR_FindData_ByName(projectAry, name, nullptr) >= 0) return 1;
  KDX_PROJECT p{};
  p.pr_id = IC_GetID_FromCounter(idCounterAry, kKdxTagPROJ, "pr_id");
  if (p.pr_id < 0) return -1;
  kdx_layout::SetNow(p.pr_create_date);
  std::memcpy(p.pr_update_date, p.pr_create_date, sizeof p.pr_update_date);
  Vell_Utf8CopyCut(p.pr_name, sizeof p.pr_name, name);
  p.pr_sort_order = PR_GetUniqueSortOrder(projectAry);
  return PR_AddData(projectAry, p) == 0 ? 0 : -1;
}

int32_t PR_AddData(VELL_ARY* projectAry, const KDX_PROJECT& project) {
  uint8_t stored[kKdxProjectSize];
  KDX_SetKdxProject(project, stored);
  if (Vell_Ary_Add(projectAry, stored) != 0) return -1;
  Vell_Ary_QuickSort(projectAry, CompareSortOrder);
  return 0;
}

int32_t PR_GetUniqueSortOrder(const VELL_ARY* projectAry) {
  const int32_t count = Vell_Ary_GetSize(projectAry);
  int32_t highest = -1;
  for (int32_t i = 0; i < count; ++i) {
    KDX_PROJECT p;
    KDX_GetKdxProject(StoredAt(projectAry, i), &p);
    if (p.pr_sort_order > highest) highest = p.pr_sort_order;
  }
  return highest < INT32_MAX ? highest + 1 : highest;
}

int32_t PR_IsProjectExists(const VELL_ARY* projectAry, const KDX_PROJECT& project) {
  const int32_t count = Vell_Ary_GetSize(projectAry);
  for (int32_t i = 0; i < count; ++i) {
    KDX_PROJECT p;
    KDX_GetKdxProject(StoredAt(projectAry, i), &p);
    if (p.pr_id != project.pr_id && std::strcmp(p.pr_name, project.pr_name) == 0) return 1;
  }
  return 0;
}

int32_t PR_GetID_ByName(const VELL_ARY* projectAry, const char* name) {
  KDX_PROJECT p;
  return PR_FindData_ByName(projectAry, name, &p) >= 0 ? p.pr_id : 0;
}

int32_t PR_FindData_ByName(const VELL_ARY* projectAry, const char* name, KDX_PROJECT* project) {
  if (name == nullptr) return -1;
  const int32_t count = Vell_Ary_GetSize(projectAry);
  for (int32_t i = 0; i < count; ++i) {
    KDX_PROJECT p;
    KDX_GetKdxProject(StoredAt(projectAry, i), &p);
    if (std::strcmp(p.pr_name, name) == 0) {
      if (project != nullptr) *project = p;
      return i;
    }
  }
  return -1;
}

int32_t PR_GetData(const VELL_ARY* projectAry, int32_t id, KDX_PROJECT* project) {
  const int32_t index = PR_FindIndex_ByID(projectAry, id);
  if (index >= 0) KDX_GetKdxProject(StoredAt(projectAry, index), project);
  return index;
}

int32_t PR_FindIndex_ByID(const VELL_ARY* projectAry, int32_t id) {
  const int32_t count = Vell_Ary_GetSize(projectAry);
  for (int32_t i = 0; i < count; ++i) {
    KDX_PROJECT p;
    KDX_GetKdxProject(StoredAt(projectAry, i), &p);
    if (p.pr_id == id) return i;
  }
  return -1;
}

void PR_GetData_ByIndex(const VELL_ARY* projectAry, int32_t index, KDX_PROJECT* project) {
  const uint8_t* stored = StoredAt(projectAry, index);
  if (stored == nullptr) {
    std::memset(project, 0, sizeof *project);
    return;
  }
  KDX_GetKdxProject(stored, project);
}

void PR_SetData_ByIndex(VELL_ARY* projectAry, int32_t index, const KDX_PROJECT& project) {
  if (index < 0 || index >= Vell_Ary_GetSize(projectAry)) return;
  uint8_t stored[kKdxProjectSize];
  KDX_SetKdxProject(project, stored);
  Vell_Ary_Update(projectAry, index, stored);
}

void PR_Remove_ByIndex(VELL_ARY* projectAry, int32_t index) { Vell_Ary_Remove(projectAry, index); }

void AT_GetDefaultData(KDX_ATTACHMENT* attachment) {
  std::memset(attachment, 0, sizeof *attachment);
  kdx_layout::SetNow(attachment->at_create_date);
  std::memcpy(attachment->at_update_date, attachment->at_create_date,
              sizeof attachment->at_update_date);
}

int32_t AT_AddData(VELL_ARY* attachmentAry, const KDX_ATTACHMENT& attachment) {
  uint8_t stored[kKdxAttachmentSize];
  KDX_SetZytAttachment(attachment, stored);
  return Vell_Ary_Add(attachmentAry, stored);
}

int32_t AT_GetData(const VELL_ARY* attachmentAry, int32_t id, KDX_ATTACHMENT* attachment) {
  const int32_t index = AT_FindIndex_ByID(attachmentAry, id);
  if (index < 0) return -1001;
  KDX_GetZytAttachment(StoredAt(attachmentAry, index), attachment);
  return index;
}

int32_t AT_SetData(VELL_ARY* attachmentAry, const KDX_ATTACHMENT& attachment) {
  const int32_t index = AT_FindIndex_ByID(attachmentAry, attachment.at_id);
  if (index < 0) return -1001;
  uint8_t stored[kKdxAttachmentSize];
  KDX_SetZytAttachment(attachment, stored);
  Vell_Ary_Update(attachmentAry, index, stored);
  return 0;
}

int32_t AT_FindIndex_ByID(const VELL_ARY* attachmentAry, int32_t id) {
  const int32_t count = Vell_Ary_GetSize(attachmentAry);
  for (int32_t i = 0; i < count; ++i) {
    KDX_ATTACHMENT a;
    KDX_GetZytAttachment(StoredAt(attachmentAry, i), &a);
    if (a.at_id == id) return i;
  }
  return -1;
}

void AT_GetData_ByIndex(const VELL_ARY* attachmentAry, int32_t index, KDX_ATTACHMENT* attachment) {
  const uint8_t* stored = StoredAt(attachmentAry, index);
  if (stored == nullptr) {
    std::memset(attachment, 0, sizeof *attachment);
    return;
  }
  KDX_GetZytAttachment(stored, attachment);
}
