// ProcessHashKey: the SipHash key of this process, for tables keyed by texts that a sender
// controls. It is drawn on first use from what differs between processes and runs (the
// clocks, addresses placed by the loader and the heap, the thread), never stored or sent,
// so a sender cannot learn it from outside.
//
//   uint64_t h = Vela::SipHash13(Vela::ProcessHashKey(), text.data(), text.size());
#pragma once

#include "util/sip_hash.h"

namespace Vela {

const SipKey& ProcessHashKey() noexcept;

}  // namespace Vela
