# The console's readers of the service's replies (client list, DHCP block, DNS status, NetAlarm settings) on
# arbitrary reply data, each checked to encode back to what it read.
ombrix_fuzz(ipc_reply_fuzz ${CMAKE_CURRENT_LIST_DIR}/ipc_reply_fuzz.cpp
  LIBS ombrix_ipc_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/ipc_reply)
