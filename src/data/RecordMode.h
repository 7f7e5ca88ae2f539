#pragma once

// A record dialog either starts a new row or changes a located one.
enum class TRecordMode { Add, Change };
