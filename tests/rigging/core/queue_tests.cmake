brindlewave_test(rigging_core_queue_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/lockedqueue_test.cpp ${CMAKE_CURRENT_LIST_DIR}/semaphore_test.cpp
    LIBS rigging_core)
