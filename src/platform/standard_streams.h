#pragma once

// Makes the standard streams carry bytes unchanged: on Windows they start in text mode, which
// turns every "\n" written into "\r\n" (so a "\r\n" already there becomes "\r\r\n") and ends
// reading at the first Ctrl+Z. Where the output is a console, it is told the text is UTF-8.
void UseBinaryStandardStreams();
