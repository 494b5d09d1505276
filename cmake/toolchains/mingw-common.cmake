# Shared by the MinGW-w64 toolchains: ARX_MINGW_TRIPLE names the target before inclusion.
#
# The -posix compilers: GCC's win32 thread model has no std::mutex or std::future.
# Everything links statically (libgcc, libstdc++, winpthreads), so the DLL and the test
# programs import only KERNEL32.dll and msvcrt.dll.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ARX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ARX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ARX_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${ARX_MINGW_TRIPLE}-objdump)

# Libraries and headers come from the MinGW sysroot only: /usr/include holds glibc's.
set(CMAKE_FIND_ROOT_PATH /usr/${ARX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
