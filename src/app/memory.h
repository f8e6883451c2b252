#pragma once

// Lets the kernel back the main heap with 2 MiB pages where it can. Loading
// a large scene writes tens of megabytes of fresh arrays; with 4 KiB pages
// the page faults cost more than the parsing itself. Call first in main().
void prefer_large_heap_pages();
