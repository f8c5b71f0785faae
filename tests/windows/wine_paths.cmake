# A Linux path as Wine's Z: drive shows it (the Linux root in a new prefix).
function(WindowsPath variable path)
  string(REPLACE "/" "\\" windows "${path}")
  set(${variable} "Z:${windows}" PARENT_SCOPE)
endfunction()
