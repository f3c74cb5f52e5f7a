// Projects and attachments: tables no command fills, loads or saves, kept so
// that their records are carried if a document ever holds them.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

// 1 when a project of that name exists; otherwise adds one (new "pr_id", dates
// now, sort order one above the highest present, 0 for the first) and answers
// 0; kKdxFailed when it cannot be added.
[[nodiscard]] int32_t PR_SetName(VELL_ARY* projectAry, VELL_ARY* idCounterAry, const char* name);
// Appends and re-sorts by ascending sort order; 0, or kKdxFailed.
[[nodiscard]] int32_t PR_AddData(VELL_ARY* projectAry, const KDX_PROJECT& project);
// One above the highest sort order present; 0 for an empty table.
[[nodiscard]] int32_t PR_GetUniqueSortOrder(const VELL_ARY* projectAry);
// 1 when another record (other identifier) has the project's name.
[[nodiscard]] int32_t PR_IsProjectExists(const VELL_ARY* projectAry, const KDX_PROJECT& project);
// Identifier of the project with that name, 0 when absent.
[[nodiscard]] int32_t PR_GetID_ByName(const VELL_ARY* projectAry, const char* name);
// Index and project with that name, or -1.
[[nodiscard]] int32_t PR_FindData_ByName(const VELL_ARY* projectAry, const char* name,
                                         KDX_PROJECT* project);
// Index and project with that identifier, or -1.
[[nodiscard]] int32_t PR_GetData(const VELL_ARY* projectAry, int32_t id, KDX_PROJECT* project);
[[nodiscard]] int32_t PR_FindIndex_ByID(const VELL_ARY* projectAry, int32_t id);
// All zero for a bad index.
void PR_GetData_ByIndex(const VELL_ARY* projectAry, int32_t index, KDX_PROJECT* project);
void PR_SetData_ByIndex(VELL_ARY* projectAry, int32_t index, const KDX_PROJECT& project);
void PR_Remove_ByIndex(VELL_ARY* projectAry, int32_t index);

// A zeroed attachment with both dates now.
void AT_GetDefaultData(KDX_ATTACHMENT* attachment);
[[nodiscard]] int32_t AT_AddData(VELL_ARY* attachmentAry, const KDX_ATTACHMENT& attachment);
// Index and attachment with that identifier, or kKdxRecordMissing.
[[nodiscard]] int32_t AT_GetData(const VELL_ARY* attachmentAry, int32_t id,
                                 KDX_ATTACHMENT* attachment);
// Overwrites the attachment with the same identifier; 0, or kKdxRecordMissing.
[[nodiscard]] int32_t AT_SetData(VELL_ARY* attachmentAry, const KDX_ATTACHMENT& attachment);
[[nodiscard]] int32_t AT_FindIndex_ByID(const VELL_ARY* attachmentAry, int32_t id);
// All zero for a bad index.
void AT_GetData_ByIndex(const VELL_ARY* attachmentAry, int32_t index, KDX_ATTACHMENT* attachment);
