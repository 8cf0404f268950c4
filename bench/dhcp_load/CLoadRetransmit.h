#pragma once
// CLoadRetransmit: when a simulated client sends a DISCOVER or REQUEST again after hearing nothing. RFC 2131
// section 4.1: the first wait is 4 s, each further one doubles up to 64 s, and each is moved by a uniform
// random amount in [-1 s, +1 s], so that clients that booted together do not keep asking in step. A client
// gives up on a message after a bounded number of transmissions (CLoadClient decides what follows).
#include <cstdint>

constexpr uint64_t kRetransmitFirstWaitUs = 4000000;
constexpr uint64_t kRetransmitMaxWaitUs = 64000000;
constexpr int64_t kRetransmitJitterUs = 1000000;

/// The wait after the `sent`-th transmission (from 1) of one message, before `jitterUs` is added:
/// 4, 8, 16, 32, 64, 64, ... seconds.
uint64_t RetransmitBaseWaitUs(uint32_t sent);

/// A jitter in [-1 s, +1 s], evenly spread, from 64 random bits.
int64_t RetransmitJitterUs(uint64_t randomBits);

/// The base wait of the `sent`-th transmission moved by `jitterUs` (clamped to [-1 s, +1 s]).
uint64_t RetransmitWaitUs(uint32_t sent, int64_t jitterUs);
