// The callbacks through which both links hand over what they receive.
#pragma once

// Each received byte, 0..255, on the link's worker thread.
typedef void (*ByteCallback)(int byte);

// A change of link state, on the link's worker thread.
typedef void (*StatusCallback)(int status);

enum LinkStatus {
  LINK_FAILURE = 1,
  LINK_CONNECTED = 2,
  LINK_DISCONNECTED = 3
};
