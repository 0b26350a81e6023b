// Result codes of the ADS functions and the type codes of result buffers. Besides these, a result buffer's
// type may be a DXF group code (0 to 1071, and -1 to -5), whose value kind follows the DXF ranges.
#pragma once

// Results
#define RTNORM 5100    // the call succeeded
#define RTERROR -5001  // the call failed
#define RTCAN -5002    // the user cancelled
#define RTREJ -5003    // the request was refused as invalid
#define RTFAIL -5004   // the link to the host failed
#define RTKWORD -5005  // the user gave a keyword
#define RTINPUT -5008  // the user gave arbitrary input

// Result-buffer types
#define RTNONE 5000      // no value
#define RTREAL 5001      // a real
#define RTPOINT 5002     // a 2D point (Z unused)
#define RTSHORT 5003     // a 16-bit integer
#define RTANG 5004       // an angle (a real)
#define RTSTR 5005       // a string
#define RTENAME 5006     // an entity name
#define RTPICKS 5007     // a selection-set name
#define RTORINT 5008     // an orientation (a real)
#define RT3DPOINT 5009   // a 3D point
#define RTLONG 5010      // a 32-bit integer
#define RTVOID 5014      // blank symbol
#define RTLB 5016        // list begin
#define RTLE 5017        // list end
#define RTDOTE 5018      // dotted pair
#define RTNIL 5019       // nil
#define RTDXF0 5020      // DXF group 0 in a filter list (group 0 itself ends acutBuildList's arguments)
#define RTT 5021         // T atom
#define RTRESBUF 5023    // a nested result buffer
#define RTMODELESS 5027  // interrupted by a modeless dialog
