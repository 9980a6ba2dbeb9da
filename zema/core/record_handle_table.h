#pragma once
// Download and install jobs carry their record as a 32-bit cookie or tag:
// a handle from this table, never the record's address.

#include "win/handle_table.h"
#include "zema/core/update_record.h"

namespace zema {

using RecordHandleTable = win::HandleTable<UpdateRecord>;

}  // namespace zema
