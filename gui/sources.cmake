# Widget sources: each view appends its files (paths relative to gui/).
list(APPEND VOLMARA_WIDGET_SOURCES
)
