# The main window shell: window, key input, flash thread, help, operator
# messages, termination signals, replay of recorded streams, and the program.
add_library(kordex_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.h
  ${CMAKE_CURRENT_LIST_DIR}/key_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_input.h
  ${CMAKE_CURRENT_LIST_DIR}/flash_thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/flash_thread.h
  ${CMAKE_CURRENT_LIST_DIR}/help_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_window.h
  ${CMAKE_CURRENT_LIST_DIR}/replay_feed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replay_feed.h
  ${PROJECT_SOURCE_DIR}/platform/message_boxes.cpp
  ${PROJECT_SOURCE_DIR}/platform/message_boxes.h
  ${PROJECT_SOURCE_DIR}/platform/signals.cpp
  ${PROJECT_SOURCE_DIR}/platform/signals.h
  ${PROJECT_SOURCE_DIR}/resources/help/help.qrc
)
set_target_properties(kordex_window PROPERTIES AUTORCC ON)
target_include_directories(kordex_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kordex_window PUBLIC kordex_faces kordex_engine kordex_qtclock kordex_config Qt6::Widgets)
if(TARGET kordex_config_ui)
  target_link_libraries(kordex_window PUBLIC kordex_config_ui)
  target_compile_definitions(kordex_window PUBLIC KORDEX_HAVE_CONFIG_UI=1)
endif()

# The demo panel sessions played by `kordex --replay`.
add_library(kordex_demo_streams STATIC
  ${PROJECT_SOURCE_DIR}/resources/demo/demo_streams.cpp
  ${PROJECT_SOURCE_DIR}/resources/demo/demo_streams.h
)
target_include_directories(kordex_demo_streams PUBLIC ${PROJECT_SOURCE_DIR}/resources/demo)
target_link_libraries(kordex_demo_streams PUBLIC Qt6::Core)
add_executable(kordex-make-demo-streams ${PROJECT_SOURCE_DIR}/resources/demo/make_demo_streams.cpp)
target_link_libraries(kordex-make-demo-streams PRIVATE kordex_demo_streams)

add_executable(kordex ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(kordex PRIVATE kordex_window)
