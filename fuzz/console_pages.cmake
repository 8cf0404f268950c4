# The console pages' readers: the client list in the Clients page's buffer, the status replies of the DHCP,
# DNS and NetAlarm pages, the DHCP range and port fields as typed, the service log's tail and the driver's
# port forward records with the section written from them.
ombrix_fuzz(console_pages_fuzz ${CMAKE_CURRENT_LIST_DIR}/console_pages_fuzz.cpp
  LIBS ombrix_console_pages CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/console_pages)
