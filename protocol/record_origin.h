// Where the values of one record of the site data model came from: the
// built-in sample loaded at start, nothing read yet, or a reading of a site at
// a local time; and whether a later reading of it failed. The model keeps the
// last values it has whatever the site selected, so a window asks, for the
// site selected now, how the values it shows stand.
#pragma once

#include "protocol/local_time.h"

namespace solwire {

enum class RecordSource {
  Sample,   // the built-in values loaded at start
  NotRead,  // start values that no reading has replaced (zeros, stored states)
  Read,     // a reply of `site`, decoded at `readAt`
};

inline constexpr int kNoSite = -1;

struct RecordOrigin {
  RecordSource source = RecordSource::NotRead;
  int site = kNoSite;
  LocalTime readAt{};
  // The site of the last reading of this record that failed (time-out, read
  // error, no connection, a transfer broken off) after the values were
  // stored; kNoSite when the last reading succeeded or none failed.
  int failedSite = kNoSite;
  // The voltage class (12 V times this) of the site the values were read
  // from; 0 when none was read. Volts derived from the record use it, never
  // the class of whatever site was read last.
  int voltageMultiplier = 0;

  static RecordOrigin sample() { return {RecordSource::Sample, kNoSite, {}, kNoSite, 0}; }
  static RecordOrigin notRead() { return {}; }
  static RecordOrigin read(int site, const LocalTime& at, int voltageMultiplier = 0) {
    return {RecordSource::Read, site, at, kNoSite, voltageMultiplier};
  }

  bool operator==(const RecordOrigin&) const = default;
};

// How a record stands for the site selected now.
enum class RecordStanding {
  Current,            // read from the selected site, its last reading good
  FromOtherSite,      // read from another site (RecordOrigin::site)
  NotRead,            // never read
  Sample,             // the built-in sample values
  LastReadingFailed,  // the last reading of the selected site failed; the values are kept
};

// A failed reading of the selected site outweighs where the values came
// from; a failed reading of another site does not concern the selected one.
RecordStanding recordStanding(const RecordOrigin& origin, int selectedSite);

}  // namespace solwire
