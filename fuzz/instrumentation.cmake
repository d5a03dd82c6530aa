# Included from the top-level CMakeLists.txt when LUMORA_FUZZ is on, before
# any target exists: every library of the project is built with libFuzzer's
# coverage instrumentation and with AddressSanitizer and
# UndefinedBehaviorSanitizer, so that the fuzz target sees inside the reader
# and both engines.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "LUMORA_FUZZ needs clang: configure with "
                      "-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
endif()
if(LUMORA_SANITIZE)
  message(FATAL_ERROR "LUMORA_FUZZ already builds with the sanitizers; leave LUMORA_SANITIZE off")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer -g)
# Vectorisation hints that the instrumented code cannot honour are not faults.
add_compile_options(-Wno-pass-failed)
add_link_options(-fsanitize=address,undefined)
