// A document of the previous format, as the version before this one left
// them: bodies stored as RTF and the file information saying "2". Made as a
// current document, then its environment table rewritten without the save's
// stamp.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/container/rez_handle.h"
#include "core/document/env_table.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "support/test_document.h"

namespace kdx_test {

// Writes an environment value straight into the file, past the save's own
// stamping of the file information; a null value removes the keyword.
inline void RewriteEnvironment(const std::string& path, const char* keyword, const char* value) {
  KdxScopedData tables;
  ASSERT_EQ(KDX_LoadAllData(path.c_str(), &tables.data), 0);
  if (value != nullptr) {
    ASSERT_EQ(EV_SetTextValue(tables.data.envAry, tables.data.idCounterAry, keyword, value), 0);
  } else {
    Vell_Ary_Remove(tables.data.envAry, EV_FindIndex_byKeyword(tables.data.envAry, keyword));
  }
  RezFileHandle file;
  ASSERT_EQ(file.Open(path.c_str(), 0), REZ_OK);
  EXPECT_EQ(REZ_ARY_Save(file.get(), kKdxTagENVI, tables.data.envAry, kKdxEnvironmentSize), REZ_OK);
  EXPECT_EQ(file.Close(), REZ_OK);
}

// The RTF body of an old entry whose plain text is text (ASCII).
inline std::string OldRtfBody(const std::string& text) { return "{\\rtf1\\ansi " + text + "}"; }

// Makes the document at path with one entry per title, each with the body
// OldRtfBody(title); a body given in bodies instead (same index) is stored as
// it stands.
inline void MakeOldFormatDocument(const std::string& path, const std::vector<std::string>& titles,
                                  const std::vector<std::string>& bodies = {}) {
  {
    TestDocument doc(path);
    for (size_t i = 0; i < titles.size(); ++i) {
      const std::string body = i < bodies.size() ? bodies[i] : OldRtfBody(titles[i]);
      doc.Add(titles[i], {body, titles[i], ""});
    }
    doc.Save();
  }
  RewriteEnvironment(path, "kdx_file_version", "2");
}

}  // namespace kdx_test
