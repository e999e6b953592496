# zelvora_openssl: OpenSSL's libcrypto for the folders that call it, after
# find_package(OpenSSL). It is the shared library, except in a program whose
# ZELVORA_STATIC_OPENSSL property is on, which carries the static one inside
# it (see cli/CMakeLists.txt for why, and what that costs).
find_package(Threads REQUIRED)
find_library(ZELVORA_LIBCRYPTO_STATIC NAMES libcrypto.a)
add_library(zelvora_openssl INTERFACE)
target_include_directories(zelvora_openssl INTERFACE ${OPENSSL_INCLUDE_DIR})
if(ZELVORA_LIBCRYPTO_STATIC)
    # Read on the program being linked, whichever folder asked for OpenSSL.
    target_link_libraries(zelvora_openssl INTERFACE
        "$<IF:$<BOOL:$<TARGET_PROPERTY:ZELVORA_STATIC_OPENSSL>>,${ZELVORA_LIBCRYPTO_STATIC};Threads::Threads;${CMAKE_DL_LIBS},OpenSSL::Crypto>")
else()
    target_link_libraries(zelvora_openssl INTERFACE OpenSSL::Crypto)
endif()
