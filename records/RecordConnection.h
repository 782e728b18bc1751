#pragma once

class Connection;

// The connection a record object was given through its ActiveConnection property. The
// record shares it with its creator and never owns or closes it.
using RecordConnection = Connection *;
