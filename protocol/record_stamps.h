// Stamping the records of the site data model that a request kind reads:
// with the site and time of a reply stored, or as failed when the request
// ended without one. A log reading (kind 6) has a record of its own and
// touches none of them.
#pragma once

#include "protocol/local_time.h"
#include "protocol/request_frames.h"
#include "protocol/site_data.h"

namespace solwire {

// The record `kind` stores was read from `site`, of voltage class
// `voltageMultiplier`, at `at`; for a history block, the four days of
// `historyBlock` (1..8).
void stampRead(RecordOrigins& origins, RequestKind kind, int historyBlock, int site, const LocalTime& at,
               int voltageMultiplier = 0);

// A reading of `kind` from `site` failed: its record keeps its values and
// origin and is marked failed. For history, the days of blocks
// `historyBlock`..8, which the transfer did not read.
void markReadFailed(RecordOrigins& origins, RequestKind kind, int historyBlock, int site);

}  // namespace solwire
