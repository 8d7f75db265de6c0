#include "protocol/record_origin.h"

namespace solwire {

RecordStanding recordStanding(const RecordOrigin& origin, int selectedSite) {
  if (origin.failedSite != kNoSite && origin.failedSite == selectedSite) return RecordStanding::LastReadingFailed;
  switch (origin.source) {
    case RecordSource::Sample: return RecordStanding::Sample;
    case RecordSource::NotRead: return RecordStanding::NotRead;
    case RecordSource::Read: break;
  }
  return origin.site == selectedSite ? RecordStanding::Current : RecordStanding::FromOtherSite;
}

}  // namespace solwire
