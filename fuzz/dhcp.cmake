# The DHCP server core: datagrams through checks, handling and replies against a filled client table; and
# the client database loader on arbitrary file contents. Seeds: the captured client datagrams
# (tests/fixtures/dhcp) and database files, written by tests/fixtures/dhcp/make-fuzz-seeds.py.
ombrix_fuzz(dhcp_packet_fuzz ${CMAKE_CURRENT_LIST_DIR}/dhcp_packet_fuzz.cpp
  LIBS ombrix_dhcp_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/dhcp_packet)
ombrix_fuzz(dhcp_database_fuzz ${CMAKE_CURRENT_LIST_DIR}/dhcp_database_fuzz.cpp
  LIBS ombrix_dhcp_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/dhcp_database)
