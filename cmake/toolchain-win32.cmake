# The i686 build is the one that ships to Windows 95/98/NT 4/2000. Its C++ runtime must not bring the
# winpthreads library of the -posix variant: that library imports GetTickCount64, the vectored exception
# handler functions, IsDebuggerPresent and TryEnterCriticalSection, so every program that uses exceptions
# or thread-safe statics would be refused at load time on all of those systems. The win32 thread model
# locks with critical sections and semaphores instead. Its one cost: no std::thread or std::mutex, so the
# deliverables use the Win32 primitives (the win32 build checks that they do).
set(OMBRIX_MINGW_TRIPLE i686-w64-mingw32)
set(OMBRIX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
