# The load generator's reply parser (bench/dhcp_load) on arbitrary datagrams: whatever arrives on port 68
# in the lab goes through it. Seeds: real OFFERs, ACKs and NAKs from dnsmasq and from the service, kept by
# `dhcp_load --capture DIR` in the lab (named SERVER-NNNN-TYPE.bin; the parser's unit test reads them too),
# and hand-made broken ones (bad-*.bin).
ombrix_fuzz(dhcp_load_reply_fuzz ${CMAKE_CURRENT_LIST_DIR}/dhcp_load_reply_fuzz.cpp
  LIBS ombrix_dhcp_load CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/dhcp_load_reply)
