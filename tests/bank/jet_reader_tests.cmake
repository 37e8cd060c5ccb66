include_guard(GLOBAL)
# Reads the real Access/Jet files in shared/fixtures/jet in place; they are not part of the repo.
quorvane_add_test(bank_jet_test ${CMAKE_CURRENT_LIST_DIR}/jet_reader_test.cpp)
target_link_libraries(bank_jet_test PRIVATE quorvane_jet)
target_compile_definitions(bank_jet_test PRIVATE
    QUORVANE_JET_FIXTURES="${PROJECT_SOURCE_DIR}/../shared/fixtures/jet")
