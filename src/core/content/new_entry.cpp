#include "core/content/new_entry.h"

#include "core/document/catset_table.h"
#include "core/util/vell_log.h"
#include "core/util/vell_utf8.h"

int32_t KDX_StoreNewEntry(KDX_DATA* data, KDX_ENTRY* entry, int32_t expandSize,
                          const KdxEntryContent& content) {
  const int32_t status = KDX_AddNewEntry(data, entry, expandSize, content);
  if (status != 0) return status;
  // The entry is stored; without its set the browser only lacks its names
  // until the next change, which is not worth failing the entry for.
  if (CT_SetData(data->catSetAry, data->idCounterAry, entry->en_cat1_name, entry->en_cat2_name,
                 entry->en_cat3_name) < 0) {
    Vell_SystemErrorLog("[-1] KDX_StoreNewEntry[%d]\r\n", entry->en_id);
  }
  return 0;
}

int32_t KDX_CreateEntry(KDX_DATA* data, const KdxNewEntry& fields, int32_t expandSize,
                        KDX_ENTRY* created) {
  KDX_ENTRY entry;
  EN_InitData(data, fields.title.c_str(), fields.cat1.c_str(), fields.cat2.c_str(),
              fields.cat3.c_str(), fields.turn, fields.turnWidth.c_str(), &entry);
  if (entry.en_id < 0) return kKdxNoIdentifierLeft;
  entry.en_co_id = fields.label >= 0 && fields.label <= 7 ? fields.label : 0;
  entry.en_ft_id = fields.fileTypeId;
  Vell_Utf8CopyCut(entry.en_encode, sizeof entry.en_encode, fields.encoding.c_str());
  entry.en_encrypt = entry.en_bo_encrypt = entry.en_no_encrypt = fields.encrypted ? 1 : 0;
  const int32_t status = KDX_StoreNewEntry(data, &entry, expandSize, fields.content);
  if (status == 0 && created != nullptr) *created = entry;
  return status;
}
