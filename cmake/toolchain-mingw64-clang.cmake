# Cross build for 64-bit Windows with Debian's clang, on the mingw-w64
# headers and libraries and GCC's libstdc++ (posix threads) that the
# mingw-w64 GCC build uses, linked by lld. A second compiler over the same
# code keeps anything GCC-only out of it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_SYSROOT /usr/${triple})
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# clang does not recognise Debian's "12-posix" folder as a GCC installation,
# so its C++ library and runtime are named here.
file(GLOB qm_gcc_dirs LIST_DIRECTORIES true "/usr/lib/gcc/${triple}/*-posix")
list(SORT qm_gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET qm_gcc_dirs 0 qm_gcc)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${qm_gcc}/include/c++ \
-isystem ${qm_gcc}/include/c++/${triple} -isystem ${qm_gcc}/include/c++/backward")
# GNU ld warns about libstdc++ sections clang emits in other sizes; lld links
# the same objects cleanly. -pthread: the posix-thread libstdc++ needs
# winpthreads, which GCC's driver adds by itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread -L${qm_gcc} -static")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
