# Batch runner: lumora-batch built with the test engine (batch_testrunner) and
# the tests that run it, and the real program, as child processes.
add_executable(batch_testrunner batch_testrunner.cpp ../fakeengine.h)
target_link_libraries(batch_testrunner PRIVATE lumora_batch)
target_include_directories(batch_testrunner PRIVATE ${PROJECT_SOURCE_DIR}/tests)
# Parameter sweeps run lumora-sweep with the real lumora-batch next to it.
lumora_add_test(batch_test GUI SOURCES batch_test.cpp sweep_test.cpp childprocess.h ../fakeengine.h LIBS lumora_batch lumora_sweep)
target_compile_definitions(batch_test PRIVATE
  LUMORA_BATCH_EXE="$<TARGET_FILE:lumora-batch>"
  LUMORA_BATCH_TESTRUNNER_EXE="$<TARGET_FILE:batch_testrunner>"
  LUMORA_SWEEP_EXE="$<TARGET_FILE:lumora-sweep>")
add_dependencies(batch_test lumora-batch batch_testrunner lumora-sweep)
